#include "shell/main/setup_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstdlib>
#include <string_view>

#include "capture/backend_choice.h"
#include "capture/key_table.h"
#include "capture/key_to_char.h"
#include "capture/training_save.h"
#include "core/paths.h"
#include "output/key_sequence.h"
#include "platform/desktop/autostart.h"
#include "settings/settings_layout.h"
#include "shell/main/layout_dialog.h"

namespace blenvar {
namespace {

constexpr char kTrain[] = "Train";
constexpr char kStop[] = "Stop";
constexpr char kWaylandNote[] =
    "This is a Wayland session: scans are captured only while a program running under "
    "XWayland (an X11 program) has the keyboard focus.";
constexpr char kTrainingHint[] = "Scan one barcode, then wait; don't press other keys.";
// A scanner sends a whole barcode within this; Detect layout answers soon after.
constexpr std::uint64_t kDetectQuietMs = 300;

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// "F9", "Enter", "Ctrl+J", "\"]\"": a trained event as the user knows the key.
QString KeyInWords(const TrainedKey& key) {
    QString held;
    if (key.State & kStateCtrl) held += "Ctrl+";
    if (key.State & kStateAlt) held += "Alt+";
    const bool shift = key.State & kStateShift;
    if (key.SCode > 0) {
        if (const NamedKey named = NamedKeyAt(std::uint16_t(key.SCode));
            named != NamedKey::Character)
            return held + (shift ? "Shift+" : "") + QString::fromStdString(KeyWord(named));
    }
    switch (key.VCode) {
        case 16:
            return "Shift";
        case 17:
            return "Ctrl";
        case 18:
            return "Alt";
        case 32:
            return held + (shift ? "Shift+" : "") + "Space";
        default:
            break;
    }
    const std::string typed =
        key.VCode > 0 ? KeyToChar(shift ? 1 : 0, std::uint16_t(key.VCode)) : std::string();
    if (typed.empty()) return QObject::tr("key code %1").arg(key.SCode);
    if (held.isEmpty()) return "\"" + QString::fromStdString(typed) + "\"";
    return held + (shift ? "Shift+" : "") +
           QString::fromStdString(KeyToChar(0, key.VCode)).toUpper();
}

}  // namespace

QWidget* HelpPlace(const QString& page) {
    auto* place = new QWidget;
    place->setObjectName(page);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    return place;
}

SetupTab::SetupTab(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend,
                   ShellOpener& opener, ScanSourceLister& sources, const QString& soundDatabase,
                   QWidget* parent)
    : QWidget(parent), ini_(ini), driver_(driver), opener_(opener) {
    encoding_ = new EncodingOptions(ini);
    encoding_->setObjectName(
        QString::fromUtf8(kKeyEncoding.data(), qsizetype(kKeyEncoding.size())));
    connect(encoding_, &EncodingOptions::statusMessage, this, &SetupTab::statusMessage);
    charCount_ = new QLabel;
    charCount_->setObjectName("CharCount");
    charCount_->setAccessibleName(tr("Characters scanned"));
    trainButton_ = new QPushButton(tr(kTrain));
    trainButton_->setObjectName("TrainButton");
    trainButton_->setToolTip(
        tr("Press, then scan any barcode: Blenvar learns how your scanner starts and ends a "
           "scan. Training stops by itself 2 seconds after the scan, or press Stop."));
    connect(trainButton_, &QPushButton::clicked, this, &SetupTab::OnTrainClicked);
    detectButton_ = new QPushButton(tr("Detect &Layout…"));
    detectButton_->setObjectName("DetectLayout");
    detectButton_->setToolTip(
        tr("Shows a test barcode; scan it and Blenvar finds the keyboard layout your scanner "
           "types in (ScannerLayout)."));
    connect(detectButton_, &QPushButton::clicked, this, &SetupTab::OnDetectClicked);
    auto* row = new QHBoxLayout;
    row->addWidget(encoding_);
    row->addStretch(1);
    row->addWidget(charCount_);
    row->addWidget(trainButton_);
    row->addWidget(detectButton_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    keys_ = new QLabel;
    keys_->setObjectName("TrainedKeys");
    column->addWidget(keys_);
    ShowKeys(LoadTrainedKeys(ini));
    result_ = new QLabel;
    result_->setObjectName("TrainingResult");
    result_->setWordWrap(true);
    result_->hide();
    column->addWidget(result_);
    scanner_ = new ScannerOptions(ini, driver, backend);
    connect(scanner_, &ScannerOptions::statusMessage, this, &SetupTab::statusMessage);
    column->addWidget(scanner_);
    sources_ = new ScanSourcesView(ini, sources);
    connect(sources_, &ScanSourcesView::statusMessage, this, &SetupTab::statusMessage);
    column->addWidget(sources_);
    backendNote_ = new QLabel;
    backendNote_->setObjectName("BackendNote");
    backendNote_->setWordWrap(true);
    backendNote_->hide();
    column->addWidget(backendNote_);
    if (WaylandSession()) {
        waylandNote_ = new QLabel(tr(kWaylandNote));
        waylandNote_->setObjectName("WaylandNote");
        waylandNote_->setWordWrap(true);
        column->addWidget(waylandNote_);
    }
    // Ticked while the user's autostart entry is there; the package installs none.
    autostart_ = new QCheckBox(tr("Start Blenvar when I &log in"));
    autostart_->setObjectName("Autostart");
    autostart_->setChecked(AutostartEnabled(AutostartFile()));
    connect(autostart_, &QCheckBox::toggled, this, &SetupTab::OnAutostartToggled);
    column->addWidget(autostart_);
    column->addWidget(FileRow(tr("Settings file:"), QString::fromStdString(ini.FileName()),
                              tr("Open the settings folder")));
    column->addWidget(
        FileRow(tr("Sound database:"), soundDatabase, tr("Open the sound database folder")));
    column->addWidget(HelpPlace("setup.htm"), 1);
}

QWidget* SetupTab::FileRow(const QString& caption, const QString& file, const QString& button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* path = new QLabel(caption + " " + file);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setWordWrap(true);
    layout->addWidget(path, 1);
    auto* open = new QPushButton(tr("Open Folder"));
    open->setAccessibleName(button);
    layout->addWidget(open);
    const std::string folder = FolderOf(file.toStdString());
    connect(open, &QPushButton::clicked, this, [this, folder] {
        if (!opener_.Open(folder))
            emit statusMessage(
                tr("The folder %1 could not be opened.").arg(QString::fromStdString(folder)));
    });
    return row;
}

void SetupTab::ShowBackend(const QString& name, bool x11) {
    backendNote_->setText(tr("Keys are captured through: %1").arg(name));
    backendNote_->show();
    sources_->SetKeysThroughX11(x11);
    if (waylandNote_) waylandNote_->setVisible(x11);
}

void SetupTab::ShowCaptureProblem(const QString& text) {
    backendNote_->setText(text);
    backendNote_->show();
    if (waylandNote_) waylandNote_->hide();
}

void SetupTab::ShowCount(int, int characters) {
    charCount_->setText(characters == 1 ? tr("1 character") : tr("%1 characters").arg(characters));
}

void SetupTab::ShowKeys(const TrainedKeys& keys) {
    keys_->setText(
        keys.Trained()
            ? tr("Start: %1. Stop: %2.").arg(KeyInWords(keys.start), KeyInWords(keys.stop))
            : tr("No scanner is trained yet."));
}

void SetupTab::OnTrainClicked() {
    charCount_->clear();
    if (trainButton_->text() == tr(kTrain)) {
        trainButton_->setText(tr(kStop));
        driver_.StartTraining();
    } else {
        driver_.StopTraining();
    }
}

void SetupTab::OnDetectClicked() {
    if (driver_.Training()) return;
    auto* dialog = new LayoutDialog(LoadCaptureSetup(ini_), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    detect_ = dialog;
    detecting_ = true;
    trainButton_->setEnabled(false);
    detectButton_->setEnabled(false);
    connect(dialog, &LayoutDialog::layoutChosen, this, &SetupTab::KeepLayout);
    connect(dialog, &LayoutDialog::scanAgain, this,
            [this] { driver_.StartTraining(kDetectQuietMs); });
    connect(dialog, &QDialog::finished, this, [this] {
        detect_ = nullptr;
        trainButton_->setEnabled(true);
        detectButton_->setEnabled(true);
        if (driver_.Training())
            driver_.StopTraining();
        else
            detecting_ = false;
    });
    dialog->open();
    driver_.StartTraining(kDetectQuietMs);
}

void SetupTab::KeepLayout(const QString& name, const QString& description) {
    ini_.SetSection(std::string(kSetupSection));
    if (!ini_.SaveValue(kKeyScannerLayout, name.toStdString()))
        emit statusMessage(tr("The scanner's layout could not be saved: %1")
                               .arg(QString::fromStdString(ini_.LastWriteError())));
    scanner_->Apply();
    emit statusMessage(tr("Scans are read on the layout %1 (%2).").arg(description, name));
}

void SetupTab::OnTrainingFinished(const TrainingOutcome& outcome) {
    if (detecting_) {
        // The scan of the test barcode, or Detect layout closed before one came.
        charCount_->clear();
        if (!detect_)
            detecting_ = false;
        else if (!outcome.events.empty())
            detect_->Scanned(outcome.events);
        return;
    }
    trainButton_->setText(tr(kTrain));
    charCount_->clear();
    result_->show();
    if (!outcome.Good()) {
        // The mixed-devices message says what to try itself.
        const QString why = FromView(outcome.Message());
        result_->setText(outcome.mixedDevices ? why : why + ". " + tr(kTrainingHint));
        return;
    }
    const TrainedKeys keys{*outcome.start, *outcome.stop};
    emit keysTrained(keys);
    ShowKeys(keys);
    const SavedTraining saved = SaveTraining(ini_, outcome, driver_.TrainedDevice());
    if (!saved.saved) {
        emit statusMessage(tr("The trained scanner keys could not be saved, so they last only "
                              "until Blenvar ends: %1")
                               .arg(QString::fromStdString(ini_.LastWriteError())));
    }
    // The device just recorded is the scanner from now on.
    scanner_->Apply();
    const auto scanner = ParseScanner(driver_.TrainedDevice());
    QString text = scanner
                       ? tr("Trained on the scanner %1.").arg(QString::fromStdString(scanner->name))
                       : tr("Trained. The scanner could not be told apart from the "
                            "keyboard, so scans are recognised by their start key.");
    if (saved.aimChosen) {
        encoding_->Restore();
        text += " " + tr("The scan began with a symbology identifier, so the encoding is "
                         "now AIM.");
    }
    result_->setText(text);
}

void SetupTab::OnAutostartToggled(bool on) {
    const std::string file = AutostartFile();
    const char* path = std::getenv("PATH");
    std::string error;
    const bool done = on ? WriteAutostart(file,
                                          AutostartEntry(AutostartCommand(
                                              ExecutableFolder() + "/blenvar", path ? path : "")),
                                          error)
                         : RemoveAutostart(file, error);
    if (!done)
        emit statusMessage((on ? tr("Starting at login could not be turned on: %1")
                               : tr("Starting at login could not be turned off: %1"))
                               .arg(QString::fromStdString(error)));
    // The box says what is on disk, whatever happened.
    const QSignalBlocker quiet(autostart_);
    autostart_->setChecked(AutostartEnabled(file));
}

}  // namespace blenvar
