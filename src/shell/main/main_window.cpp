#include "shell/main/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "capture/backend_choice.h"
#include "core/com_error.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/desktop/autostart.h"
#include "settings/code_types.h"
#include "shell/help/help_page.h"
#include "shell/help/tab_names.h"
#include "shell/main/scanner_options.h"

namespace blenvar {
namespace {

constexpr char kTrainingPrompt[] =
    "Before you can use this application you need to train it to recognize your scanner.";
constexpr char kNoTray[] =
    "This desktop shows no tray icons, so Blenvar stays in the task bar when minimised.";

constexpr char kTrain[] = "Train";
constexpr char kStop[] = "Stop";
constexpr char kWaylandNote[] =
    "This is a Wayland session: scans are captured only while a program running under "
    "XWayland (an X11 program) has the keyboard focus.";

QString HelpFile(const QString& page) {
    return QString::fromStdString(ExecutableFolder()) + "/" + page;
}

}  // namespace

MainWindow::MainWindow(DesktopServices& desktop, CaptureBackend& capture, ShellTray& tray,
                       QWidget* parent)
    : MainWindow(desktop, capture, tray, nullptr, parent) {}

MainWindow::MainWindow(DesktopServices& desktop, CaptureBackend& capture, ShellTray& tray,
                       std::unique_ptr<CaptureDriver> driver, QWidget* parent)
    : QMainWindow(parent),
      desktop_(desktop),
      backend_(capture),
      tray_(tray),
      decode_{desktop.settings, types_, desktop.opener, desktop.sound, tray, desktop.clock},
      delivery_(desktop.Delivery()),
      capture_(driver ? std::move(driver) : std::make_unique<CaptureController>(capture, tray)),
      startup_(*this, capture, desktop.settings, capture_->CaptureCallback()) {
    setWindowTitle("Blenvar");
    tabs_ = new QTabWidget;
    tabs_->setObjectName("TabBox");
    tabs_->addTab(HelpPlace("main.htm"), tr("Main"));
    controlTab_ = new QWidget;
    controlTab_->setLayout(new QVBoxLayout);
    tabs_->addTab(controlTab_, tr("Control"));
    lastScan_ = new LastScanTab;
    tabs_->addTab(lastScan_, tr("Last Scan"));
    tabs_->addTab(BuildSetupTab(), tr("Setup"));
    tabs_->addTab(HelpPlace("help.htm"), tr("Help"));

    hideButton_ = new QPushButton(tr("&Hide"));
    hideButton_->setObjectName("HideButton");
    updateButton_ = new QPushButton(tr("Updates"));
    updateButton_->setObjectName("UpdateButton");
    exitButton_ = new QPushButton(tr("&Exit"));
    exitButton_->setObjectName("Command1");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hideButton_);
    buttons->addStretch();
    buttons->addWidget(updateButton_);
    buttons->addStretch();
    buttons->addWidget(exitButton_);

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->addWidget(tabs_);
    column->addLayout(buttons);
    setCentralWidget(central);

    startupTimer_.setSingleShot(true);
    startupTimer_.setInterval(kStartupDelayMs);
    decodeTimer_.setSingleShot(true);
    decodeTimer_.setInterval(5);
    connect(&startupTimer_, &QTimer::timeout, this, [this] { startup_.OnStartupTimer(); });
    connect(&decodeTimer_, &QTimer::timeout, this, &MainWindow::OnDecode);
    connect(hideButton_, &QPushButton::clicked, this,
            [this] { Apply(tray_.Policy().OnHideButton()); });
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::EndProgram);
    connect(updateButton_, &QPushButton::clicked, this, &MainWindow::OnUpdateButton);
    connect(lastScan_, &LastScanTab::reprocessRequested, this, &MainWindow::OnReprocess);
    connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);
    connect(&tray_, &ShellTray::showRequested, this, &MainWindow::ShowFromTray);
    connect(&tray_, &ShellTray::exitRequested, this, &MainWindow::EndProgram);
    connect(&tray_, &ShellTray::hideRequested, this, [this] { Apply(WindowAction::Hide); });
    tray_.SetStatusLine([this](const QString& text) { ShowStatus(text); });
    ConnectCapture(capture);
}

QWidget* MainWindow::BuildSetupTab() {
    auto* tab = new QWidget;
    encoding_ = new EncodingOptions(desktop_.settings);
    encoding_->setObjectName("Encoding");
    connect(encoding_, &EncodingOptions::statusMessage, this, &MainWindow::ShowStatus);
    charCount_ = new QLabel;
    charCount_->setObjectName("CharCount");
    charCount_->setAccessibleName(tr("Characters scanned"));
    trainButton_ = new QPushButton(tr(kTrain));
    trainButton_->setObjectName("TrainButton");
    trainButton_->setToolTip(
        tr("Press, then scan any barcode: Blenvar learns how your scanner starts and ends a "
           "scan. Training stops by itself 2 seconds after the scan, or press Stop."));
    connect(trainButton_, &QPushButton::clicked, this, &MainWindow::OnTrainClicked);
    auto* row = new QHBoxLayout;
    row->addWidget(encoding_);
    row->addWidget(charCount_, 1);
    row->addWidget(trainButton_);
    auto* column = new QVBoxLayout(tab);
    column->addLayout(row);
    scannerOptions_ = new ScannerOptions(desktop_.settings, *capture_, backend_);
    connect(scannerOptions_, &ScannerOptions::statusMessage, this, &MainWindow::ShowStatus);
    column->addWidget(scannerOptions_);
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
    connect(autostart_, &QCheckBox::toggled, this, &MainWindow::OnAutostartToggled);
    column->addWidget(autostart_);
    column->addWidget(HelpPlace("setup.htm"), 1);
    return tab;
}

QWidget* MainWindow::HelpPlace(const QString& page) {
    auto* place = new QWidget;
    place->setObjectName(page);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    return place;
}

void MainWindow::Load(const Version& version) {
    programVersion_ = version;
    startup_.Load(WindowTitle(version.major, version.minor, version.patch));
}

void MainWindow::LoadHelpPages() {
    for (const char* page : {"main.htm", "setup.htm", "help.htm"}) {
        auto* place = findChild<QWidget*>(page);
        auto* view = new HelpPage(HelpFile(page), desktop_.opener, place);
        view->setObjectName(page == std::string("main.htm")    ? "MainWeb"
                            : page == std::string("setup.htm") ? "SetupWeb"
                                                               : "HelpWeb");
        place->layout()->addWidget(view);
        connect(view, &HelpPage::tabRequested, this, &MainWindow::OnTabRequested);
    }
}

void MainWindow::OnTabRequested(const QString& name) {
    const int index = TabIndexFor(tabNames_, name.toStdString());
    if (index >= 0) tabs_->setCurrentIndex(index);
}

void MainWindow::CollectTabNames() {
    // Read from the captions, without selecting each tab: nothing runs that could save.
    std::vector<std::string> captions;
    for (int i = 0; i < tabs_->count(); ++i) captions.push_back(tabs_->tabText(i).toStdString());
    tabNames_ = MakeTabNames(captions);
}

void MainWindow::LoadTypes() {
    types_ = LoadCodeTypes(desktop_.settings);
    try {
        RegisterTypeSounds(desktop_.sound, types_, ExecutableFolder());
    } catch (const ComError& e) {
        ShowStatus(tr("The scan sounds could not be registered: %1")
                       .arg(QString::fromStdString(e.Description())));
    }
    editor_ = new TypeEditor(desktop_.settings, desktop_.sound, types_, desktop_.opener);
    editor_->setObjectName("TypeEditor");
    editor_->SetLoading(loading_);
    controlTab_->layout()->addWidget(editor_);
    connect(editor_, &TypeEditor::statusMessage, this, &MainWindow::ShowStatus);
    connect(encoding_, &EncodingOptions::otherEncodingChanged, editor_,
            &TypeEditor::SetOtherEncoding);
}

void MainWindow::FitToContents() {
    adjustSize();
}

void MainWindow::SelectTab(int index) {
    tabs_->setCurrentIndex(index);
}

void MainWindow::LoadSelectedType() {
    // Showing a type's stored settings is no change of them.
    editor_->SetLoading(true);
    const std::string type = editor_->CurrentType();
    editor_->SelectType(type.empty() && !types_.empty() ? types_.front() : type);
    editor_->SetLoading(loading_);
}

void MainWindow::AddTrayIcon() {
    tray_.Add();
    SayIfNoTray();
}

void MainWindow::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void MainWindow::StartStartupTimer() {
    startupTimer_.start();
}

void MainWindow::SetLoading(bool loading) {
    loading_ = loading;
    if (editor_) editor_->SetLoading(loading);
    encoding_->SetLoading(loading);
}

void MainWindow::SetTrayImage(int image) {
    tray_.SetTrayImage(image);
}

void MainWindow::RestoreEncoding() {
    encoding_->Restore();
}

void MainWindow::ShowTrainingPrompt() {
    // Not modal: the program goes on capturing and the window stays usable behind it.
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), tr(kTrainingPrompt),
                                QMessageBox::Ok, this);
    box->setObjectName("TrainingPrompt");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void MainWindow::ShowWindow() {
    showNormal();
}

void MainWindow::HideToTray() {
    Apply(tray_.Policy().OnStartedTrained());
}

void MainWindow::AfterPendingEvents(std::function<void()> then) {
    QTimer::singleShot(0, this, std::move(then));
}

void MainWindow::ShowFromTray() {
    tray_.Policy().OnShown();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::EndProgram() {
    if (ending_) return;
    ending_ = true;
    startupTimer_.stop();
    decodeTimer_.stop();
    capture_->Stop();
    startup_.Unload();
    tray_.Remove();
    if (!Upgrading()) QApplication::quit();
}

void MainWindow::Apply(WindowAction action) {
    switch (action) {
        case WindowAction::Hide:
            hide();
            break;
        case WindowAction::Minimise:
            showMinimized();
            SayIfNoTray();
            break;
        case WindowAction::Show:
            ShowFromTray();
            SayIfNoTray();
            break;
        case WindowAction::Quit:
            EndProgram();
            break;
        case WindowAction::None:
            SayIfNoTray();
            break;
    }
}

void MainWindow::SayIfNoTray() {
    if (tray_.Policy().TakeNoTrayNotice()) ShowStatus(tr(kNoTray));
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
    if (tray_.Policy().OnMinimised() != WindowAction::Hide) {
        SayIfNoTray();
        return;
    }
    // Restored from the tray, the window comes back at its normal size.
    QTimer::singleShot(0, this, [this] {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        hide();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    Apply(tray_.Policy().OnClose());
}

void MainWindow::ScanCaptured(const QString& raw) {
    TraceCapture("scan captured");
    // A scan that closes while the one before still waits for the timer takes its turn
    // after it, rather than replacing it in the box.
    if (decodeTimer_.isActive()) {
        waitingScans_.push_back(raw);
        return;
    }
    lastScan_->SetRaw(raw);
    decodeTimer_.start();
}

void MainWindow::OnDecode() {
    ScanRecord rec;
    rec.Raw = lastScan_->Record().Raw;
    DecodeScan(rec, decode_);
    lastScan_->Show(rec);
    ProcessScan(rec, false, delivery_);
    lastScan_->Show(rec);
    if (!waitingScans_.empty()) {
        lastScan_->SetRaw(waitingScans_.front());
        waitingScans_.pop_front();
        decodeTimer_.start();
    }
}

void MainWindow::OnReprocess() {
    ScanRecord rec = lastScan_->Record();
    // Reads answer from a snapshot; a reprocess sees the settings as they are now.
    desktop_.settings.Refresh();
    ProcessScan(rec, true, delivery_);
    lastScan_->Show(rec);
}

void MainWindow::OnTabChanged(int index) {
    // Leaving the Control tab saves the type once; a failure shows in the status line.
    if (lastTab_ == kControlTab && index != kControlTab && !loading_ && editor_) {
        editor_->SaveCurrentType();
    }
    lastTab_ = index;
}

void MainWindow::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::ConnectCapture(CaptureBackend& backend) {
    connect(capture_.get(), &CaptureDriver::notice, this, &MainWindow::ShowStatus);
    connect(capture_.get(), &CaptureDriver::notice, scannerOptions_, &ScannerOptions::Refresh);
    connect(capture_.get(), &CaptureDriver::scanCaptured, this, &MainWindow::ScanCaptured);
    connect(capture_.get(), &CaptureDriver::scanOpened, this, &MainWindow::scanOpened);
    // A scan takes the keyboard: the version window must not stand in front of it.
    connect(this, &MainWindow::scanOpened, this, &MainWindow::HideVersion);
    connect(capture_.get(), &CaptureDriver::trainingRecorded, this,
            [this](int events) { charCount_->setText(QString::number(events)); });
    connect(capture_.get(), &CaptureDriver::trainingFinished, this,
            &MainWindow::OnTrainingFinished);
    connect(capture_.get(), &CaptureDriver::startKeyRefused, this, &MainWindow::OnStartKeyRefused);
    // Reported from inside the backend's own handler: end once it has returned.
    backend.OnLost([this, &backend] {
        std::fprintf(stderr, "blenvar: %s\n", backend.LostMessage().c_str());
        QMetaObject::invokeMethod(this, &MainWindow::EndProgram, Qt::QueuedConnection);
    });
}

void MainWindow::UseTrainedKeys(const TrainedKeys& keys) {
    scannerOptions_->Apply();
    capture_->UseKeys(ToTrainedKey(keys.start), ToTrainedKey(keys.stop));
    TraceCapture("capture ready");
}

void MainWindow::OnTrainClicked() {
    charCount_->clear();
    if (trainButton_->text() == tr(kTrain)) {
        trainButton_->setText(tr(kStop));
        capture_->StartTraining();
    } else {
        capture_->StopTraining();
    }
}

void MainWindow::OnTrainingFinished(const TrainingOutcome& outcome) {
    trainButton_->setText(tr(kTrain));
    charCount_->clear();
    if (!outcome.Good()) {
        // Not modal: no second event loop runs while capture is live.
        const std::string_view why = outcome.Message();
        auto* box = new QMessageBox(QMessageBox::Information, windowTitle(),
                                    QString::fromUtf8(why.data(), qsizetype(why.size())),
                                    QMessageBox::Ok, this);
        box->setObjectName("NoGoodScan");
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
        return;
    }
    const TrainedKeys keys{ToStoredKey(*outcome.start), ToStoredKey(*outcome.stop)};
    startup_.SetKeys(keys);
    if (!SaveTrainedKeys(desktop_.settings, keys.start, keys.stop, capture_->TrainedDevice())) {
        ShowStatus(tr("The trained scanner keys could not be saved, so they last only until "
                      "Blenvar ends: %1")
                       .arg(QString::fromStdString(desktop_.settings.LastWriteError())));
    }
    // The device just recorded is the scanner from now on.
    scannerOptions_->Apply();
}

void MainWindow::ShowBackend(const QString& name, bool x11) {
    backendNote_->setText(tr("Keys are captured through: %1").arg(name));
    backendNote_->show();
    if (waylandNote_) waylandNote_->setVisible(x11);
}

void MainWindow::ShowCaptureProblem(const QString& text) {
    backendNote_->setText(text);
    backendNote_->show();
    if (waylandNote_) waylandNote_->hide();
    ShowStatus(text);
}

void MainWindow::OnStartKeyRefused(const QString& reason) {
    ShowStatus(reason);
    if (tray_.Visible()) tray_.Notify(reason.toStdString());
}

void MainWindow::OnAutostartToggled(bool on) {
    const std::string file = AutostartFile();
    const char* path = std::getenv("PATH");
    std::string error;
    const bool done = on ? WriteAutostart(file,
                                          AutostartEntry(AutostartCommand(
                                              ExecutableFolder() + "/blenvar", path ? path : "")),
                                          error)
                         : RemoveAutostart(file, error);
    if (!done)
        ShowStatus((on ? tr("Starting at login could not be turned on: %1")
                       : tr("Starting at login could not be turned off: %1"))
                       .arg(QString::fromStdString(error)));
    // The box says what is on disk, whatever happened.
    const QSignalBlocker quiet(autostart_);
    autostart_->setChecked(AutostartEnabled(file));
}

void MainWindow::OnUpdateButton() {
    if (!versionWindow_) {
        ProgramInfo program;
        program.title = "Blenvar";
        program.description = BLENVAR_DESCRIPTION ".";
        program.executable =
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
        program.major = programVersion_.major;
        program.minor = programVersion_.minor;
        program.revision = programVersion_.patch;
        program.deadlineMs = AnswerDeadlineMs();
        versionWindow_ = new VersionWindow(
            {desktop_.pages, desktop_.connection, desktop_.downloads, desktop_.starter,
             desktop_.starter, desktop_.opener, desktop_.settings},
            program, this);
        connect(versionWindow_, &QDialog::finished, this, [this] { versionShowing_ = false; });
        connect(versionWindow_, &VersionWindow::unloadForUpgrade, this,
                &MainWindow::UnloadForUpgrade);
    }
    versionShowing_ = true;
    versionWindow_->SetAuthor(tr("Anonymous"));
    versionWindow_->SetWebPage(MakerHomePage());
    // Window-modal without a loop of its own; finished() ends VersionShowing.
    versionWindow_->open();
}

void MainWindow::HideVersion() {
    if (versionWindow_ && versionWindow_->isVisible()) versionWindow_->reject();
}

void MainWindow::UnloadForUpgrade() {
    // Last window first, as the program's unload does; the version window ends the program.
    const auto windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->hide();
    EndProgram();
}

}  // namespace blenvar
