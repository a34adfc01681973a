#include "shell/main/layout_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "capture/layout_detection.h"
#include "core/code128.h"

namespace blenvar {
namespace {

constexpr int kQuietModules = 10;

QString Named(const QString& description, const QString& name) {
    return QString("%1 (%2)").arg(description, name);
}

}  // namespace

QImage TestBarcodeImage(int module, int height) {
    const std::vector<int> widths = Code128Widths(kLayoutTestText);
    int modules = 2 * kQuietModules;
    for (int w : widths) modules += w;
    QImage image(modules * module, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    int x = kQuietModules * module;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i % 2 == 0) painter.fillRect(x, 0, widths[i] * module, height, Qt::black);
        x += widths[i] * module;
    }
    return image;
}

LayoutDialog::LayoutDialog(const CaptureSetup& setup, QWidget* parent)
    : QDialog(parent), detector_(setup) {
    setWindowTitle(tr("Detect Layout"));
    setObjectName("DetectLayoutDialog");
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(tr("Scan this barcode with your scanner:")));
    auto* symbol = new QLabel;
    symbol->setPixmap(QPixmap::fromImage(TestBarcodeImage(3, 100)));
    symbol->setAccessibleName(tr("Test barcode"));
    symbol->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol);
    auto* text =
        new QLabel(QString::fromUtf8(kLayoutTestText.data(), qsizetype(kLayoutTestText.size())));
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text);
    status_ = new QLabel(tr("Reading the keyboard layouts of this system…"));
    status_->setObjectName("DetectStatus");
    column->addWidget(status_);
    result_ = new QLabel;
    result_->setObjectName("DetectResult");
    result_->setWordWrap(true);
    column->addWidget(result_);
    auto* row = new QHBoxLayout;
    others_ = new QComboBox;
    others_->setAccessibleName(tr("Other layouts that match"));
    use_ = new QPushButton(tr("&Use This Layout"));
    row->addWidget(others_, 1);
    row->addWidget(use_);
    column->addLayout(row);
    others_->hide();
    use_->hide();
    connect(use_, &QPushButton::clicked, this, [this] {
        const int i = others_->currentIndex() + 1;
        if (i <= 0 || i >= answer_.names.size()) return;
        emit layoutChosen(answer_.names[i], answer_.descriptions[i]);
        result_->setText(
            tr("Your scanner types as %1.").arg(Named(answer_.descriptions[i], answer_.names[i])));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    again_ = buttons->addButton(tr("Scan &Again"), QDialogButtonBox::ActionRole);
    again_->setEnabled(false);
    connect(again_, &QPushButton::clicked, this, [this] {
        again_->setEnabled(false);
        result_->clear();
        emit scanAgain();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    connect(&detector_, &LayoutDetector::tablesBuilt, this, [this](int layouts, qint64 ms) {
        status_->setText(tr("%1 keyboard layouts ready (read in %2 s).")
                             .arg(layouts)
                             .arg(double(ms) / 1000.0, 0, 'f', 1));
    });
    connect(&detector_, &LayoutDetector::matched, this, &LayoutDialog::Answered);
}

void LayoutDialog::Scanned(std::vector<KeyEvent> events) {
    result_->setText(tr("Looking for the layout…"));
    detector_.Match(std::move(events));
}

void LayoutDialog::Answered(const LayoutAnswer& answer) {
    answer_ = answer;
    again_->setEnabled(true);
    others_->clear();
    others_->setVisible(answer.names.size() > 1);
    use_->setVisible(answer.names.size() > 1);
    if (answer.names.isEmpty()) {
        result_->setText(
            answer.around.isEmpty()
                ? tr("No keyboard layout of this system types this barcode's text from what "
                     "the scanner sent. Was it this barcode that was scanned? A scanner set "
                     "to add characters before or after each barcode, or to send them as "
                     "Alt codes, cannot be detected this way.")
                : tr("The scanner typed \"%1\" as %2: it adds characters before or after "
                     "each barcode. Turn those off in the scanner, or set the layout %3 and "
                     "train Blenvar on them.")
                      .arg(answer.aroundText, answer.around, answer.around));
        return;
    }
    for (qsizetype i = 1; i < answer.names.size(); ++i)
        others_->addItem(Named(answer.descriptions[i], answer.names[i]));
    emit layoutChosen(answer.names[0], answer.descriptions[0]);
    QString text =
        tr("Your scanner types as %1.").arg(Named(answer.descriptions[0], answer.names[0]));
    if (answer.names.size() > 1)
        text += " " + tr("%n other layout(s) type it alike; choose one below if yours is there.",
                         nullptr, int(answer.names.size() - 1));
    result_->setText(text);
}

}  // namespace blenvar
