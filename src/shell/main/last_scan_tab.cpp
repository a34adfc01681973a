#include "shell/main/last_scan_tab.h"

#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

namespace blenvar {
namespace {

// Control characters show as their Unicode pictures (GS as U+241D) and read back as
// themselves, so Reprocess delivers the scan as it arrived.
constexpr char16_t kPictures = 0x2400, kDeletePicture = 0x2421;

QString Q(const std::string& s) {
    QString text = QString::fromStdString(s);
    for (QChar& c : text) {
        if (c.unicode() < 0x20) c = QChar(char16_t(kPictures + c.unicode()));
        if (c.unicode() == 0x7f) c = QChar(kDeletePicture);
    }
    return text;
}
std::string S(const QLineEdit* box) {
    QString text = box->text();
    for (QChar& c : text) {
        if (c.unicode() >= kPictures && c.unicode() < kPictures + 0x20)
            c = QChar(char16_t(c.unicode() - kPictures));
        if (c.unicode() == kDeletePicture) c = QChar(char16_t(0x7f));
    }
    return text.toStdString();
}

constexpr int kColumnRoom = 16;

QString AddedAt(std::int64_t ms) {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms);
    return at.toString(at.date() == QDate::currentDate() ? "HH:mm:ss" : "yyyy-MM-dd HH:mm");
}

}  // namespace

LastScanTab::LastScanTab(QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout;
    raw_ = AddBox(form, tr("Raw:"), "InputText");
    serial_ = AddBox(form, tr("Serial:"), "SerialText");
    type_ = AddBox(form, tr("Type:"), "CodeTypeText");
    code_ = AddBox(form, tr("Code:"), "CodeText");
    extra_ = AddBox(form, tr("Extra:"), "CodeExtra");
    date_ = AddBox(form, tr("Date:"), "ScanDate");
    time_ = AddBox(form, tr("Time:"), "ScanTime");
    fields_ = AddBox(form, tr("GS1 fields:"), "FieldsText");
    fields_->setReadOnly(true);

    reprocess_ = new QPushButton(tr("&Reprocess"), this);
    reprocess_->setObjectName("ReprocessButton");
    reprocess_->setToolTip(tr("Deliver the scan shown here again, as its type's settings say"));
    reprocess_->setEnabled(false);
    connect(code_, &QLineEdit::textChanged, this,
            [this](const QString& code) { reprocess_->setEnabled(!code.isEmpty()); });
    connect(reprocess_, &QPushButton::clicked, this, &LastScanTab::reprocessRequested);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reprocess_);

    waiting_ = new QGroupBox(this);
    waiting_->setObjectName("WaitingGroup");
    waitingList_ = new QTreeWidget(waiting_);
    waitingList_->setObjectName("WaitingList");
    waitingList_->setAccessibleName(tr("Scans waiting to be sent"));
    waitingList_->setRootIsDecorated(false);
    waitingList_->setAllColumnsShowFocus(true);
    waitingList_->setHeaderLabels(
        {tr("Time"), tr("Type"), tr("Code"), tr("Server"), tr("Attempts"), tr("Last error")});
    waitingList_->header()->setStretchLastSection(true);
    retry_ = new QPushButton(tr("Re&try now"), waiting_);
    retry_->setObjectName("RetryButton");
    retry_->setToolTip(tr("Send the selected scan at once, also when the server refused it"));
    drop_ = new QPushButton(tr("&Drop"), waiting_);
    drop_->setObjectName("DropButton");
    drop_->setToolTip(tr("Remove the selected scan from the outbox without sending it"));
    const auto selected = [this] {
        const QTreeWidgetItem* row = waitingList_->currentItem();
        return row ? row->data(0, Qt::UserRole).toLongLong() : qint64(-1);
    };
    const auto enable = [this] {
        const bool any = waitingList_->currentItem() != nullptr;
        retry_->setEnabled(any);
        drop_->setEnabled(any);
    };
    connect(waitingList_, &QTreeWidget::currentItemChanged, this, enable);
    connect(retry_, &QPushButton::clicked, this, [this, selected] {
        if (selected() >= 0) emit retryRequested(selected());
    });
    connect(drop_, &QPushButton::clicked, this, [this, selected] {
        if (selected() >= 0) emit dropRequested(selected());
    });
    enable();
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(retry_);
    actions->addWidget(drop_);
    auto* group = new QVBoxLayout(waiting_);
    group->addWidget(waitingList_);
    group->addLayout(actions);
    waiting_->hide();

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(buttons);
    column->addWidget(waiting_, 1);
    column->addStretch();
}

void LastScanTab::ShowWaiting(const std::vector<OutboxItem>& items, int total) {
    const QTreeWidgetItem* current = waitingList_->currentItem();
    const qint64 keep = current ? current->data(0, Qt::UserRole).toLongLong() : -1;
    waitingList_->clear();
    for (const OutboxItem& item : items) {
        const QString error = Q(item.answer);
        auto* row = new QTreeWidgetItem(
            waitingList_,
            {AddedAt(item.addedMs), Q(item.label.type), Q(item.label.code),
             QString::fromStdString(ServerName(item.request.address)),
             QString::number(item.attempts), item.failed ? tr("Failed: %1").arg(error) : error});
        row->setData(0, Qt::UserRole, qint64(item.seq));
        if (item.failed) row->setForeground(5, QColor(Qt::darkRed));
        if (item.seq == keep) waitingList_->setCurrentItem(row);
    }
    // Room between the columns: the header's own sizes leave none.
    for (int c = 0; c < waitingList_->columnCount() - 1; ++c) {
        waitingList_->resizeColumnToContents(c);
        waitingList_->setColumnWidth(c, waitingList_->columnWidth(c) + kColumnRoom);
    }
    waiting_->setTitle(
        int(items.size()) < total
            ? tr("Waiting to be sent (the oldest %1 of %2)").arg(items.size()).arg(total)
            : tr("Waiting to be sent (%1)").arg(total));
    waiting_->setVisible(total > 0);
}

QLineEdit* LastScanTab::AddBox(QFormLayout* form, const QString& label, const char* name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(box);
    box->setAccessibleName(QString(label).remove(':'));
    form->addRow(caption, box);
    return box;
}

ScanRecord LastScanTab::Record() const {
    ScanRecord rec{S(raw_), S(serial_), S(type_), S(code_), S(extra_), S(date_), S(time_)};
    if (rec.Code == shown_.Code) {
        rec.Symbology = shown_.Symbology;
        rec.Fields = shown_.Fields;
        rec.FieldsError = shown_.FieldsError;
    }
    return rec;
}

void LastScanTab::Show(const ScanRecord& rec) {
    raw_->setText(Q(rec.Raw));
    serial_->setText(Q(rec.Serial));
    type_->setText(Q(rec.TypeName));
    code_->setText(Q(rec.Code));
    extra_->setText(Q(rec.Extra));
    date_->setText(Q(rec.Date));
    time_->setText(Q(rec.Time));
    fields_->setText(rec.FieldsError.empty() ? Q(HumanReadable(rec.Fields))
                                             : tr("Not read: %1").arg(Q(rec.FieldsError)));
    shown_ = rec;
}

}  // namespace blenvar
