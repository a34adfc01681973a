// The editor widgets offscreen, on a real settings file: what a user's clicks and edits
// write, and that a write that fails is reported.
#include "shell/editor/type_editor.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>
#include <iterator>
#include <map>

#include "delivery/delivery_fakes.h"
#include "shell/editor/encoding_options.h"
#include "sound/sound_test_util.h"

namespace blenvar::test {
namespace {

class TypeEditorTest : public SoundFixture {
  protected:
    void SetUp() override {
        SoundFixture::SetUp();
        path_ = (dir_ / "blenvar.ini").string();
        std::ofstream(path_, std::ios::binary) << kStart;
        ini_.SetFileName(path_);
        desktop_.startError = "no blenvar-sounds here";
        sound_ = std::make_unique<SoundControl>(store_, player_, &desktop_, notifier_);
        encoding_ = std::make_unique<EncodingOptions>(ini_);
        editor_ = std::make_unique<TypeEditor>(
            ini_, *sound_,
            std::vector<std::string>{"UNKNOWN", "EAN 13", "UPC-E", "CODE 39", "ISBN"}, desktop_);
        QObject::connect(encoding_.get(), &EncodingOptions::otherEncodingChanged, editor_.get(),
                         &TypeEditor::SetOtherEncoding);
        for (QObject* o :
             {static_cast<QObject*>(editor_.get()), static_cast<QObject*>(encoding_.get())})
            QObject::connect(o, SIGNAL(statusMessage(QString)), &status_, SLOT(setText(QString)));
        editor_->show();
    }
    std::string File() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    template <typename W>
    W* Find(const char* name) const {
        W* w = editor_->findChild<W*>(name);
        if (!w) w = encoding_->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Leave(const char* field) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(Find<QLineEdit>(field), &out);
    }
    // Where each control of the editor sits.
    std::map<QString, QRect> Places() const {
        editor_->layout()->activate();
        std::map<QString, QRect> places;
        for (QWidget* w : editor_->findChildren<QWidget*>())
            places[w->objectName()] = w->geometry();
        return places;
    }

    static constexpr const char* kStart = "[Setup]\r\nEncoding=other\r\n";
    std::string path_;
    INIFile ini_;
    testing::FakeDesktop desktop_;
    std::unique_ptr<SoundControl> sound_;
    std::unique_ptr<EncodingOptions> encoding_;
    std::unique_ptr<TypeEditor> editor_;
    QLineEdit status_;
};

TEST_F(TypeEditorTest, EditsSaveTheWholeTypeAndFailuresAreReported) {
    encoding_->Restore();
    EXPECT_TRUE(Find<QRadioButton>("EncodingOther")->isChecked());
    const auto unknownPlaces = Places();
    const struct {
        const char* type;
        const char *shown, *hidden;
    } types[] = {
        {"EAN 13", "ConvertISBNISSN", "ExpandUPCE"},
        {"UNKNOWN", "FileFormat", "IdentText"},
        {"UPC-E", "ExpandUPCE", "WebJump"},
    };
    for (const auto& t : types) {
        editor_->SelectType(t.type);
        EXPECT_TRUE(Find<QWidget>(t.shown)->isVisible()) << t.type;
        EXPECT_FALSE(Find<QWidget>(t.hidden)->isVisible()) << t.type;
        // Never saved, so shown as delivery reads it.
        EXPECT_FALSE(Find<QCheckBox>("ConvertISBNISSN")->isChecked()) << t.type;
        EXPECT_EQ(Places(), unknownPlaces) << t.type;  // nothing moves
    }
    EXPECT_EQ(File(), kStart);  // loading writes nothing
    EXPECT_TRUE(Find<QLineEdit>("IdentText")->isEnabled());

    Find<QCheckBox>("ScanToKeyboard")->click();
    Find<QLineEdit>("KeyboardMask")->setText(" %%C{TAB} ");
    Find<QLineEdit>("ClipboardMask")->setText("  ");
    Leave("ClipboardMask");
    EXPECT_EQ(Find<QLineEdit>("ClipboardMask")->text(), "%%C");
    Find<QRadioButton>("EncodingAIM")->click();
    EXPECT_FALSE(Find<QLineEdit>("IdentText")->isEnabled());
    EXPECT_EQ(File(),
              "[Setup]\r\nEncoding=AIM\r\n"
              "[UPC-E]\r\nScanToKeyboard=1\r\nAddReturn=0\r\nExecuteCommand=0\r\n"
              "ExpandUPCE=0\r\nConvertISBNISSN=0\r\nSaveToFile=0\r\nWebJump=0\r\n"
              "SendToClipboard=1\r\nClipboardMask=%%C\r\nCommandLine=\r\n"
              "CommandOptions=\r\nFileFormat=%%d,%%t,\"%%S\",\"%%T\",\"%%C\",\"%%X\"\r\n"
              "FileName=" +
                  (dir_ / "UPC-E.txt").string() +
                  "\r\nIdentText=\r\nKeyboardMask=%%C{TAB}\r\n"
                  "SendToServer=0\r\nServerAddress=\r\nServerFormat=\r\nServerCertificate=\r\n");

    // The file dialog starts at the file name, and a confirmed choice is saved.
    Find<QCheckBox>("SaveToFile")->click();
    Find<QPushButton>("FileButton")->click();
    auto* dialog = Find<QFileDialog>("FileDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedFiles().value(0).toStdString(), (dir_ / "UPC-E.txt").string());
    const std::string chosen = (dir_ / "scans.txt").string();
    dialog->selectFile(QString::fromStdString(chosen));
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_NE(File().find("SaveToFile=1\r\nWebJump=0\r\nSendToClipboard=1\r\n"), std::string::npos);
    EXPECT_NE(File().find("FileName=" + chosen + "\r\n"), std::string::npos);

    // A read-only file stays as it is, and the user is told.
    const std::string before = File();
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    Find<QCheckBox>("AddReturn")->click();
    EXPECT_FALSE(editor_->SaveCurrentType());
    EXPECT_TRUE(status_.text().contains("read-only")) << status_.text().toStdString();
    EXPECT_EQ(File(), before);
    status_.clear();
    Find<QRadioButton>("EncodingOther")->click();
    EXPECT_TRUE(status_.text().contains("read-only")) << status_.text().toStdString();

    Find<QPushButton>("SoundButton")->click();
    EXPECT_TRUE(status_.text().contains("no blenvar-sounds here"));
    Find<QPushButton>("CommandHelp")->click();
    auto* help = Find<QLabel>("CodeHelpText");
    ASSERT_NE(help, nullptr);
    for (const char* part : {"%%C", "%%t", "{TAB 3}", "{+}"})
        EXPECT_TRUE(help->text().contains(part)) << part;
    QString wanted;
    QObject::connect(editor_.get(), &TypeEditor::helpRequested, [&](QString a) { wanted = a; });
    emit help->linkActivated("masks");
    EXPECT_EQ(wanted, "masks");

    // Converted book scans leave the type: the note says where to, and its link goes there.
    editor_->SelectType("EAN 13");
    EXPECT_FALSE(Find<QLabel>("ConvertNote")->isVisible());
    Find<QCheckBox>("ConvertISBNISSN")->click();
    EXPECT_TRUE(Find<QLabel>("ConvertNote")->isVisible());
    emit Find<QLabel>("ConvertNote")->linkActivated("ISBN");
    EXPECT_EQ(editor_->CurrentType(), "ISBN");
}

}  // namespace
}  // namespace blenvar::test
