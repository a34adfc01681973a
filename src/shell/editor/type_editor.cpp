#include "shell/editor/type_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/paths.h"
#include "core/text.h"
#include "shell/editor/settings_text.h"

namespace blenvar {
namespace {

using C = EditorControl;

struct CodeLabel {
    const char* text;
    const char* code;
    const char* meaning;
};
constexpr CodeLabel kCodeLabels[] = {
    {"%%R", "%%R", "The raw scan, as the scanner sent it"},
    {"%%S", "%%S", "The serial number of a CueCat scanner"},
    {"%%T", "%%T", "The barcode type"},
    {"%%C", "%%C", "The barcode value"},
    {"%%X", "%%X", "The extra digits"},
    {"%%t", "%%t", "The scan time"},
    {"%%d", "%%d", "The scan date"},
    {"%%N", "%%N", "The name of the scanner the scan came from"},
    {"%%H", "%%H", "The GS1 data in the printed form, (01)...(17)..."},
    {"%%(01)", "%%(AI)", "The data of that GS1 application identifier, such as %%(01) or %%(17)"},
    {"%%- adds a dash when extra data exists", "%%-", "A dash, only when there are extra digits"},
};

constexpr char kKeyNotation[] =
    "<p>Codes are case sensitive: %%T is the type, %%t the time.</p>"
    "<p>The keyboard mask can also press keys: {TAB}, {ENTER}, {ESC}, {F5} and so on; "
    "{TAB 3} presses Tab three times. + holds Shift, ^ Ctrl and % Alt for the next key, "
    "and ~ presses Enter. To type one of + ^ % ~ ( ) { } put it in braces: {+}.</p>";

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TypeEditor::TypeEditor(INIFile& ini, SoundControl& sound, const std::vector<std::string>& types,
                       ShellOpener& opener, QWidget* parent)
    : QWidget(parent), ini_(ini), sound_(sound), opener_(opener), types_(types) {
    otherEncoding_ = EqualsNoCaseAscii(LoadEncoding(ini_), kEncodingOther);
    Build();
    LoadType();
}

TypeEditor::~TypeEditor() {
    // The fields lose their focus as they go; that must not save.
    for (C c : EditorControls())
        if (IsTextBox(c)) Control(c)->removeEventFilter(this);
}

QCheckBox* TypeEditor::Box(EditorControl c) const {
    return static_cast<QCheckBox*>(Control(c));
}

QLineEdit* TypeEditor::Edit(EditorControl c) const {
    return static_cast<QLineEdit*>(Control(c));
}

void TypeEditor::Build() {
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto keep = [this](C c, QWidget* w) {
        w->setObjectName(Q(ControlName(c)));
        // A hidden control keeps its room, so nothing moves when the type changes.
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        controls_[static_cast<std::size_t>(c)] = w;
        return w;
    };
    auto box = [&](C c, const char* caption) {
        auto* b = new QCheckBox(tr(caption), this);
        keep(c, b);
        // Every change, not only a click: a screen reader's toggle action never clicks.
        // Loading fills the boxes without saving.
        connect(b, &QCheckBox::toggled, this, [this] { SaveCurrentType(); });
        return b;
    };
    auto edit = [&](C c) {
        auto* e = new QLineEdit(this);
        keep(c, e);
        e->installEventFilter(this);
        return e;
    };
    auto label = [&](C c, const char* caption, QWidget* buddy) {
        auto* l = new QLabel(tr(caption), this);
        keep(c, l);
        l->setBuddy(buddy);
        return l;
    };
    // A label and its field on one row; the label is made after the field it names, so
    // add it first to keep the visual order.
    auto fieldRow = [&](C labelControl, const char* caption, C field) {
        QLineEdit* e = edit(field);
        grid->addWidget(label(labelControl, caption, e), row, 0);
        grid->addWidget(e, row++, 1, 1, 2);
    };

    auto* typeLabel = new QLabel(tr("Barcode Type:"), this);
    combo_ = new QComboBox(this);
    combo_->setObjectName("CodeTypeCombo");
    // All rows in one insertion: one model signal and one accessibility update, not
    // one per type (a settings file may hold thousands of sections).
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(types_.size()));
    for (const std::string& t : types_) shown.append(ShownText(t));
    combo_->addItems(shown);
    typeLabel->setBuddy(combo_);
    // Qt names a combo box by its current entry; a screen reader should say what it is.
    combo_->setAccessibleName(tr("Barcode Type"));
    grid->addWidget(typeLabel, row, 0);
    grid->addWidget(combo_, row++, 1, 1, 2);
    connect(combo_, &QComboBox::currentIndexChanged, this, [this] { LoadType(); });

    grid->addWidget(box(C::ScanToKeyboard, "Send code to the active program as keyboard clicks"),
                    row, 0, 1, 2);
    QCheckBox* addReturn = box(C::AddReturn, "Add Return");
    addReturn->setToolTip(tr("Add a RETURN (or ENTER) character at the end of the code"));
    grid->addWidget(addReturn, row++, 2);
    fieldRow(C::KMLabel, "Keyboard Mask:", C::KeyboardMask);

    grid->addWidget(box(C::SendToClipboard, "Send code to the clipboard so it can be pasted later"),
                    row++, 0, 1, 3);
    fieldRow(C::CMLabel, "Clipboard Mask:", C::ClipboardMask);

    grid->addWidget(box(C::ExecuteCommand, "Execute the command listed below"), row, 0, 1, 2);
    auto* help = new QPushButton(tr("?"), this);
    keep(C::CommandHelp, help);
    help->setToolTip(tr("Get A Little Help"));
    help->setAccessibleName(tr("Get A Little Help"));
    connect(help, &QPushButton::clicked, this, [this] { ShowCodeHelp(); });
    grid->addWidget(help, row++, 2, Qt::AlignLeft);
    fieldRow(C::CommandLabel, "Command:", C::CommandLine);
    fieldRow(C::OptionLabel, "Options:", C::CommandOptions);

    grid->addWidget(box(C::SaveToFile, "Save to text file:"), row, 0);
    QLineEdit* fileName = edit(C::FileName);
    fileName->setAccessibleName(tr("Text file"));
    grid->addWidget(fileName, row, 1);
    auto* fileButton = new QPushButton(tr("..."), this);
    keep(C::FileButton, fileButton);
    fileButton->setAccessibleName(tr("Choose the text file"));
    connect(fileButton, &QPushButton::clicked, this, [this] { ChooseFile(); });
    grid->addWidget(fileButton, row++, 2, Qt::AlignLeft);
    fieldRow(C::FormatLabel, "Format:", C::FileFormat);

    grid->addWidget(box(C::SendToServer, "Send to a server (HTTP POST or MQTT publish)"), row++, 0,
                    1, 3);
    fieldRow(C::SALabel, "Address:", C::ServerAddress);
    Edit(C::ServerAddress)
        ->setPlaceholderText(tr("https://example.com/scans or mqtt://broker:1883/scans/%%T"));
    auto* serverNote = new QLabel(this);
    keep(C::ServerNote, serverNote);
    grid->addWidget(serverNote, row++, 1, 1, 2);
    connect(Edit(C::ServerAddress), &QLineEdit::textChanged, serverNote,
            [serverNote](const QString& a) {
                serverNote->setText(QString::fromUtf8(UnencryptedNote(a.toStdString())));
            });
    fieldRow(C::SFLabel, "Body:", C::ServerFormat);
    Edit(C::ServerFormat)->setPlaceholderText(tr("empty: the scan as JSON, with its id"));
    QLineEdit* certificate = edit(C::ServerCertificate);
    certificate->setPlaceholderText(tr("empty: the system's certificates"));
    certificate->setAccessibleName(tr("Server certificate"));
    grid->addWidget(label(C::SCLabel, "Certificate:", certificate), row, 0);
    grid->addWidget(certificate, row, 1);
    auto* certificateButton = new QPushButton(tr("..."), this);
    keep(C::CertificateButton, certificateButton);
    certificateButton->setAccessibleName(tr("Choose the server certificate"));
    connect(certificateButton, &QPushButton::clicked, this, [this] { ChooseCertificate(); });
    grid->addWidget(certificateButton, row++, 2, Qt::AlignLeft);

    // The three type-specific switches share one place; a type shows one of them at most.
    grid->addWidget(box(C::ExpandUPCE, "Expand UPC-E to full UPC-A format"), row, 0, 1, 3);
    grid->addWidget(box(C::ConvertISBNISSN, "Convert ISBN/ISSN"), row, 0, 1, 3);
    grid->addWidget(
        box(C::WebJump,
            "Jump to web site if Code 128 results start with www. (first 4 characters)"),
        row++, 0, 1, 3);
    convertNote_ = new QLabel(
        tr("Barcodes that start with 978 then arrive as <a href=\"%1\">ISBN</a>, and those "
           "with 977 as <a href=\"%2\">ISSN</a>: they follow those types' settings, not "
           "these.")
            .arg(Q(kTypeIsbn), Q(kTypeIssn)),
        this);
    convertNote_->setObjectName("ConvertNote");
    convertNote_->setWordWrap(true);
    convertNote_->setIndent(fontMetrics().averageCharWidth() * 4);
    convertNote_->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                          Qt::LinksAccessibleByKeyboard);
    QSizePolicy notePolicy = convertNote_->sizePolicy();
    notePolicy.setRetainSizeWhenHidden(true);
    convertNote_->setSizePolicy(notePolicy);
    connect(convertNote_, &QLabel::linkActivated, this,
            [this](const QString& type) { SelectType(type.toStdString()); });
    grid->addWidget(convertNote_, row++, 0, 1, 3);

    fieldRow(C::IdentLabel, "Identifier:", C::IdentText);

    auto* gs1Label = new QLabel(tr("Read GS1 fields:"), this);
    gs1_ = new QComboBox(this);
    gs1_->setObjectName("GS1");
    gs1_->addItems({tr("Automatic"), tr("Always"), tr("Never")});
    gs1_->setAccessibleName(tr("Read GS1 fields"));
    gs1_->setToolTip(
        tr("Automatic reads GS1 element strings when the symbology identifier "
           "says the scan holds them"));
    gs1Label->setBuddy(gs1_);
    connect(gs1_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const std::string type = CurrentType();
        if (loading_ || type.empty()) return;
        if (!SaveGs1Choice(ini_, type, static_cast<Gs1Choice>(index)))
            emit statusMessage(tr("The settings of %1 were not saved: %2")
                                   .arg(ShownText(type), ShownText(ini_.LastWriteError())));
    });
    grid->addWidget(gs1Label, row, 0);
    grid->addWidget(gs1_, row++, 1, Qt::AlignLeft);

    auto* codes = new QHBoxLayout;
    for (std::size_t i = 0; i < std::size(kCodeLabels); ++i) {
        auto* l = new QLabel(tr(kCodeLabels[i].text), this);
        l->setObjectName(QString("CodeLabel%1").arg(i));
        l->setToolTip(tr(kCodeLabels[i].meaning));
        codes->addWidget(l);
    }
    codes->addStretch(1);
    grid->addLayout(codes, row++, 0, 1, 3);

    auto* soundButton = new QPushButton(tr("Change Sound Effects"), this);
    soundButton->setObjectName("SoundButton");
    connect(soundButton, &QPushButton::clicked, this, [this] { ShowSoundPanel(); });
    grid->addWidget(soundButton, row++, 0, 1, 3, Qt::AlignLeft);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

std::string TypeEditor::CurrentType() const {
    const int i = combo_->currentIndex();
    return i >= 0 && static_cast<std::size_t>(i) < types_.size()
               ? types_[static_cast<std::size_t>(i)]
               : std::string();
}

void TypeEditor::SelectType(const std::string& type) {
    for (std::size_t i = 0; i < types_.size(); ++i) {
        if (!EqualsNoCaseAscii(types_[i], type)) continue;
        if (combo_->currentIndex() != static_cast<int>(i)) {
            combo_->setCurrentIndex(static_cast<int>(i));  // loads it
        } else {
            LoadType();
        }
        return;
    }
}

void TypeEditor::LoadType() {
    const bool wasLoading = loading_;
    loading_ = true;
    const std::string type = CurrentType();
    TypeSettings s;
    Gs1Choice gs1 = Gs1Choice::Automatic;
    try {
        ini_.Refresh();  // see a hand edit even when reads answer from a snapshot
        s = LoadEditorSettings(ini_, type, FolderOf(ini_.FileName()));
        if (!type.empty()) gs1 = LoadGs1Choice(ini_, type);
    } catch (...) {
        s.FileName = DefaultFileName(FolderOf(ini_.FileName()), type);
    }
    gs1_->setCurrentIndex(static_cast<int>(gs1));
    Show(s);
    for (C c : EditorControls()) Control(c)->setVisible(ControlShown(c, type));
    SaveCurrentType();  // only refreshes: loading is set
    loading_ = wasLoading;
}

void TypeEditor::Show(const TypeSettings& s) {
    loaded_ = s;
    for (const TypeSettingKey& k : TypeSettingKeys()) {
        for (C c : EditorControls()) {
            if (ControlName(c) != k.key) continue;
            if (IsCheckBox(c)) Box(c)->setChecked(ReadFlag(s.*k.field));
            if (IsTextBox(c)) Edit(c)->setText(ShownText(s.*k.field));
        }
    }
}

TypeSettings TypeEditor::Taken() const {
    TypeSettings s;
    for (const TypeSettingKey& k : TypeSettingKeys()) {
        for (C c : EditorControls()) {
            if (ControlName(c) != k.key) continue;
            if (IsCheckBox(c)) s.*k.field = Box(c)->isChecked() ? "1" : "0";
            if (IsTextBox(c)) s.*k.field = StoredText(Edit(c)->text(), loaded_.*k.field);
        }
    }
    return s;
}

void TypeEditor::Refresh() {
    const EditorSwitches switches{Box(C::ScanToKeyboard)->isChecked(),
                                  Box(C::SendToClipboard)->isChecked(),
                                  Box(C::ExecuteCommand)->isChecked(),
                                  Box(C::SaveToFile)->isChecked(),
                                  otherEncoding_,
                                  Box(C::SendToServer)->isChecked()};
    const QColor entry = combo_->palette().color(QPalette::Base);
    const QColor window = palette().color(QPalette::Window);
    for (C c : EditorControls()) {
        Control(c)->setEnabled(ControlEnabled(c, switches));
        if (!IsTextBox(c)) continue;
        QPalette p = Control(c)->palette();
        p.setColor(QPalette::Base,
                   BackgroundOf(c, switches) == FieldBackground::Entry ? entry : window);
        Control(c)->setPalette(p);
    }
    convertNote_->setVisible(Control(C::ConvertISBNISSN)->isVisibleTo(this) &&
                             Box(C::ConvertISBNISSN)->isChecked());
}

bool TypeEditor::SaveCurrentType() {
    Refresh();
    const std::string type = CurrentType();
    if (loading_ || type.empty()) return true;
    const TypeSettings taken = Taken();
    TypeSettings s = taken;
    FillEmptyFields(s, FolderOf(ini_.FileName()), type);
    // Show what the fill put back.
    for (const TypeSettingKey& k : TypeSettingKeys()) {
        if (s.*k.field == taken.*k.field) continue;
        loaded_.*k.field = s.*k.field;
        for (C c : EditorControls())
            if (IsTextBox(c) && ControlName(c) == k.key) Edit(c)->setText(ShownText(s.*k.field));
    }
    bool saved = false;
    try {
        saved = SaveTypeSettings(ini_, type, s);
    } catch (const std::exception& e) {
        emit statusMessage(
            tr("The settings of %1 were not saved: %2").arg(ShownText(type), e.what()));
        return false;
    }
    if (!saved) {
        emit statusMessage(tr("The settings of %1 were not saved: %2")
                               .arg(ShownText(type), ShownText(ini_.LastWriteError())));
    }
    return saved;
}

void TypeEditor::SetOtherEncoding(bool other) {
    if (other == otherEncoding_) return;
    otherEncoding_ = other;
    SaveCurrentType();
}

bool TypeEditor::eventFilter(QObject* watched, QEvent* event) {
    // A context menu takes the focus only for a moment; anything else is leaving the field.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        for (C c : EditorControls()) {
            if (IsTextBox(c) && Control(c) == watched) SaveCurrentType();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TypeEditor::ChooseFile() {
    // Window-modal without a nested event loop; the answer arrives as a signal.
    auto* dialog = new QFileDialog(this, tr("Save to text file"));
    dialog->setObjectName("FileDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setNameFilters({tr("Text files (*.txt)"), tr("All files (*)")});
    dialog->selectFile(Edit(C::FileName)->text());
    const std::string type = CurrentType();
    connect(dialog, &QFileDialog::fileSelected, this, [this, type](const QString& path) {
        if (path.isEmpty() || CurrentType() != type) return;
        Edit(C::FileName)->setText(path);
        SaveCurrentType();
    });
    dialog->open();
}

void TypeEditor::ChooseCertificate() {
    auto* dialog = new QFileDialog(this, tr("The server's certificate"));
    dialog->setObjectName("CertificateDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({tr("Certificates (*.pem *.crt)"), tr("All files (*)")});
    dialog->selectFile(Edit(C::ServerCertificate)->text());
    const std::string type = CurrentType();
    connect(dialog, &QFileDialog::fileSelected, this, [this, type](const QString& path) {
        if (path.isEmpty() || CurrentType() != type) return;
        Edit(C::ServerCertificate)->setText(path);
        SaveCurrentType();
    });
    dialog->open();
}

void TypeEditor::ShowCodeHelp() {
    QString text = "<p>" + tr("Masks and the command's options take these codes:") + "</p><table>";
    for (const CodeLabel& c : kCodeLabels)
        text += QString("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                    .arg(c.code, tr(c.meaning).toHtmlEscaped());
    text += "</table>" + tr(kKeyNotation) + "<p><a href=\"masks\">" + tr("More on the Help tab") +
            "</a></p>";
    auto* dialog = new QDialog(this);
    dialog->setObjectName("CodeHelp");
    dialog->setWindowTitle(tr("Blenvar - Mask codes"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* label = new QLabel(text, dialog);
    label->setObjectName("CodeHelpText");
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    // A fixed width, so the dialog's height follows the wrapped text.
    label->setFixedWidth(fontMetrics().averageCharWidth() * 64);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(label, &QLabel::linkActivated, this, [this, dialog](const QString& anchor) {
        dialog->accept();
        emit helpRequested(anchor);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* column = new QVBoxLayout(dialog);
    column->addWidget(label);
    column->addWidget(buttons);
    dialog->open();
}

void TypeEditor::ShowSoundPanel() {
    std::string error;
    if (!sound_.ShowSoundControlPanel(&error, CurrentType())) {
        emit statusMessage(tr("The sound settings could not be opened: %1").arg(ShownText(error)));
    }
}

}  // namespace blenvar
