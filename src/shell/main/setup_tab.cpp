#include "shell/main/setup_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstdlib>
#include <string_view>

#include "capture/backend_choice.h"
#include "core/paths.h"
#include "platform/desktop/autostart.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

constexpr char kTrain[] = "Train";
constexpr char kStop[] = "Stop";
constexpr char kWaylandNote[] =
    "This is a Wayland session: scans are captured only while a program running under "
    "XWayland (an X11 program) has the keyboard focus.";

}  // namespace

QWidget* HelpPlace(const QString& page) {
    auto* place = new QWidget;
    place->setObjectName(page);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    return place;
}

SetupTab::SetupTab(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend, QWidget* parent)
    : QWidget(parent), ini_(ini), driver_(driver) {
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
    auto* row = new QHBoxLayout;
    row->addWidget(encoding_);
    row->addWidget(charCount_, 1);
    row->addWidget(trainButton_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    scanner_ = new ScannerOptions(ini, driver, backend);
    connect(scanner_, &ScannerOptions::statusMessage, this, &SetupTab::statusMessage);
    column->addWidget(scanner_);
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
    column->addWidget(HelpPlace("setup.htm"), 1);
}

void SetupTab::ShowBackend(const QString& name, bool x11) {
    backendNote_->setText(tr("Keys are captured through: %1").arg(name));
    backendNote_->show();
    if (waylandNote_) waylandNote_->setVisible(x11);
}

void SetupTab::ShowCaptureProblem(const QString& text) {
    backendNote_->setText(text);
    backendNote_->show();
    if (waylandNote_) waylandNote_->hide();
}

void SetupTab::ShowCount(int events) {
    charCount_->setText(QString::number(events));
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

void SetupTab::OnTrainingFinished(const TrainingOutcome& outcome) {
    trainButton_->setText(tr(kTrain));
    charCount_->clear();
    if (!outcome.Good()) {
        // Not modal: no second event loop runs while capture is live.
        const std::string_view why = outcome.Message();
        auto* box = new QMessageBox(QMessageBox::Information, window()->windowTitle(),
                                    QString::fromUtf8(why.data(), qsizetype(why.size())),
                                    QMessageBox::Ok, window());
        box->setObjectName("NoGoodScan");
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
        return;
    }
    const TrainedKeys keys{*outcome.start, *outcome.stop};
    emit keysTrained(keys);
    if (!SaveTrainedKeys(ini_, keys, driver_.TrainedDevice())) {
        emit statusMessage(tr("The trained scanner keys could not be saved, so they last only "
                              "until Blenvar ends: %1")
                               .arg(QString::fromStdString(ini_.LastWriteError())));
    }
    // The device just recorded is the scanner from now on.
    scanner_->Apply();
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
