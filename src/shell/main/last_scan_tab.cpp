#include "shell/main/last_scan_tab.h"

#include <QFormLayout>
#include <QHBoxLayout>
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
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(buttons);
    column->addStretch();
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
