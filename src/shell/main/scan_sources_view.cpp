#include "shell/main/scan_sources_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "capture/scan_sources.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

// Rows shown without scrolling; more scroll.
constexpr int kRowsShown = 5;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ScanSourcesView::ScanSourcesView(INIFile& ini, ScanSourceLister& lister, QWidget* parent)
    : QWidget(parent), ini_(ini), lister_(lister) {
    offer_ = new QWidget;
    offer_->setObjectName("PosScannerOffer");
    offer_->setAutoFillBackground(true);
    offer_->setBackgroundRole(QPalette::ToolTipBase);
    offerText_ = new QLabel;
    offerText_->setWordWrap(true);
    offerText_->setForegroundRole(QPalette::ToolTipText);
    auto* use = new QPushButton(tr("&Use It"));
    use->setObjectName("UsePosScanner");
    use->setAccessibleName(tr("Use the HID POS scanner"));
    auto* later = new QPushButton(tr("Not Now"));
    later->setAccessibleName(tr("Not now"));
    auto* bar = new QHBoxLayout(offer_);
    bar->addWidget(offerText_, 1);
    bar->addWidget(use);
    bar->addWidget(later);
    offer_->hide();
    connect(use, &QPushButton::clicked, this, &ScanSourcesView::UsePosScanners);
    connect(later, &QPushButton::clicked, offer_, &QWidget::hide);

    list_ = new QTreeWidget;
    list_->setObjectName("ScanSources");
    list_->setAccessibleName(tr("Scan sources"));
    list_->setColumnCount(4);
    list_->setHeaderLabels({tr("Kind"), tr("Name"), tr("Vendor:Product"), tr("State")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setStretchLastSection(true);
    list_->setMaximumHeight(list_->header()->sizeHint().height() +
                            list_->fontMetrics().height() * (kRowsShown + 1) + 8);
    auto* label = new QLabel(tr("Scan &sources:"));
    label->setBuddy(list_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(offer_);
    column->addWidget(label);
    column->addWidget(list_);
    // Runs on the lister's thread: the list is read again on ours.
    lister_.Watch([this] { QMetaObject::invokeMethod(this, [this] { Refresh(); }); });
    Refresh();
}

ScanSourcesView::~ScanSourcesView() {
    lister_.Watch({});
}

void ScanSourcesView::SetKeysThroughX11(bool x11) {
    x11_ = x11;
    Refresh();
}

void ScanSourcesView::Refresh() {
    const CaptureSetup setup = LoadCaptureSetup(ini_);
    const std::vector<SourceRow> rows = SourceRows(lister_.List(SerialPortOf(setup)), setup, x11_);
    const QString current = list_->currentItem() ? list_->currentItem()->text(1) : QString();
    list_->clear();
    QSet<QString> present;
    QString offered;
    for (const SourceRow& row : rows) {
        auto* item = new QTreeWidgetItem(
            list_, {Text(row.kind), Text(row.name), Text(row.ids), Text(row.state)});
        if (item->text(1) == current) list_->setCurrentItem(item);
        if (!row.unusedPos) continue;
        const QString name = Text(row.name);
        present.insert(name);
        if (offered.isEmpty() && !offered_.contains(name)) offered = name;
    }
    // Fitted to the longest text with a gap, so neighbouring columns do not run together.
    for (int c = 0; c < 3; ++c) {
        list_->resizeColumnToContents(c);
        list_->setColumnWidth(c,
                              list_->columnWidth(c) + 2 * list_->fontMetrics().averageCharWidth());
    }
    // One that was unplugged is offered again when it comes back.
    offered_.intersect(present);
    if (!offered.isEmpty()) {
        offered_.insert(offered);
        offerText_->setText(tr("A HID POS scanner is plugged in: %1. Use it?").arg(offered));
        offer_->setAccessibleName(offerText_->text());
        offer_->show();
        emit statusMessage(offerText_->text() + " " + tr("See the Setup tab."));
    } else if (present.isEmpty()) {
        offer_->hide();
    }
}

void ScanSourcesView::UsePosScanners() {
    offer_->hide();
    if (!SavePosScannersAuto(ini_)) {
        emit statusMessage(tr("PosScanners=Auto could not be saved, so HID POS scanners are "
                              "read only until Blenvar ends: %1")
                               .arg(Text(ini_.LastWriteError())));
    }
    emit posScannersChosen();
    Refresh();
}

void ScanSourcesView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}

}  // namespace blenvar
