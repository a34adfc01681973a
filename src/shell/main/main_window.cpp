#include "shell/main/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

#include "components/registry/sqlite_registry_store.h"
#include "core/com_error.h"
#include "core/paths.h"
#include "settings/code_types.h"
#include "settings/settings_layout.h"
#include "shell/help/help_page.h"
#include "shell/help/tab_names.h"
#include "shell/main/layout_dialog.h"

namespace blenvar {
namespace {

constexpr char kTrainingPrompt[] =
    "Before you can use this application you need to train it to recognize your scanner.";
constexpr char kCloseQuestion[] = "Close Blenvar? Scans will no longer be captured.";
// The first size: room for the help pages, and still within a 1280x800 screen.
constexpr int kOpenWidth = 960;
constexpr int kOpenHeight = 680;
constexpr int kFrameRoom = 40;
// The Waiting list shows the oldest this many; the title gives the count of all.
constexpr int kWaitingRows = 100;
constexpr char kNoTray[] =
    "This desktop shows no tray icons, so Blenvar stays in the task bar when minimised.";

QString HelpFile(const QString& page) {
    return QString::fromStdString(ExecutableFolder()) + "/" + page;
}

}  // namespace

MainWindow::MainWindow(DesktopServices& desktop, CaptureBackend& capture, ShellTray& tray,
                       std::unique_ptr<CaptureDriver> driver, QWidget* parent)
    : QMainWindow(parent),
      desktop_(desktop),
      backend_(capture),
      tray_(tray),
      pipeline_({desktop.settings, types_, desktop.opener, desktop.sound, tray, desktop.clock},
                desktop.Delivery()),
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
    setup_ = new SetupTab(desktop.settings, *capture_, capture, desktop.opener, *desktop.sources,
                          QString::fromStdString(DefaultRegistryPaths().user));
    connect(setup_, &SetupTab::statusMessage, this, &MainWindow::ShowStatus);
    connect(setup_->Sources(), &ScanSourcesView::posScannersChosen, this,
            &MainWindow::posScannersChosen);
    connect(setup_, &SetupTab::keysTrained, this, [this](const TrainedKeys& keys) {
        startup_.SetKeys(keys);
        tray_.SetTrained(true);
    });
    tabs_->addTab(setup_, tr("Setup"));
    if (desktop_.server) {
        // Called on the sending thread, perhaps once per message of a burst: one count
        // waits in the queue at a time.
        desktop_.server->OnChanged([this] {
            if (outboxQueued_.exchange(true)) return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    outboxQueued_ = false;
                    ShowOutbox();
                },
                Qt::QueuedConnection);
        });
        connect(lastScan_, &LastScanTab::retryRequested, this, [this](qint64 seq) {
            desktop_.server->Store().Retry(seq);
            desktop_.server->Wake();
        });
        connect(lastScan_, &LastScanTab::dropRequested, this, [this](qint64 seq) {
            desktop_.server->Store().Drop(seq);
            desktop_.server->Wake();
        });
        ShowOutbox();
    }
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
    connect(&tray_, &ShellTray::aboutRequested, this, &MainWindow::OnUpdateButton);
    connect(&tray_, &ShellTray::hideRequested, this, [this] { Apply(WindowAction::Hide); });
    tray_.SetStatusLine([this](const QString& text) { ShowStatus(text); });
    ConnectCapture(capture);
}

void MainWindow::Load(const Version& version) {
    programVersion_ = version;
    startup_.Load(WindowTitle(version.major, version.minor, version.patch));
}

void MainWindow::LoadHelpPages() {
    for (const char* page : {"main.htm", "setup.htm", "help.htm"}) {
        auto* place = findChild<QWidget*>(page);
        auto* view = new HelpPage(HelpFile(page), desktop_.opener, place);
        // The layout test symbol, to print from the Setup page.
        view->document()->addResource(QTextDocument::ImageResource, QUrl("blenvar:test-barcode"),
                                      TestBarcodeImage());
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
    connect(editor_, &TypeEditor::helpRequested, this, [this](const QString& anchor) {
        tabs_->setCurrentIndex(kHelpTab);
        if (auto* help = findChild<HelpPage*>("HelpWeb")) help->scrollToAnchor(anchor);
    });
    connect(setup_->Encoding(), &EncodingOptions::otherEncodingChanged, editor_,
            &TypeEditor::SetOtherEncoding);
}

void MainWindow::FitToContents() {
    adjustSize();
    const WindowPlace saved = LoadWindowPlace(desktop_.settings);
    QSize size = saved.width > 0 ? QSize(saved.width, saved.height)
                                 : sizeHint().expandedTo(QSize(kOpenWidth, kOpenHeight));
    if (const QScreen* s = screen()) {
        // Room for the frame and title bar the desktop adds.
        const QSize room = s->availableGeometry().size() - QSize(kFrameRoom, 2 * kFrameRoom);
        size = size.boundedTo(room);
    }
    resize(size.expandedTo(minimumSizeHint()));
    // Only X11 lets a program place its own window.
    if (saved.position && QGuiApplication::platformName() == "xcb") {
        const QPoint at(saved.position->first, saved.position->second);
        if (QGuiApplication::screenAt(at + QPoint(kFrameRoom, kFrameRoom))) move(at);
    }
    place_ = saved;
}

WindowPlace MainWindow::Place() const {
    WindowPlace place{width(), height(), std::nullopt};
    if (QGuiApplication::platformName() == "xcb") place.position = {pos().x(), pos().y()};
    return place;
}

void MainWindow::SavePlace() {
    // A maximised window says nothing of the size the user chose.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const WindowPlace place = Place();
    if (place == place_) return;
    if (SaveWindowPlace(desktop_.settings, place)) place_ = place;
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
    setup_->Encoding()->SetLoading(loading);
}

void MainWindow::SetTrayImage(int image) {
    tray_.SetTrayImage(image);
}

void MainWindow::RestoreEncoding() {
    setup_->Encoding()->Restore();
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

// The backend outlives the window: nothing of it may call in here afterwards.
MainWindow::~MainWindow() {
    if (desktop_.server) desktop_.server->OnChanged({});
    backend_.OnLost({});
    startup_.Unload();
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
    SavePlace();
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
    const CloseBox answer = ending_ ? CloseBox::Close : LoadCloseBox(desktop_.settings);
    if (answer == CloseBox::Close) {
        event->accept();
        Apply(tray_.Policy().OnClose());
        return;
    }
    event->ignore();
    if (answer == CloseBox::Hide)
        Apply(tray_.Policy().OnHideButton());
    else
        AskOnClose();
}

void MainWindow::AskOnClose() {
    if (auto* asking = findChild<QMessageBox*>("CloseQuestion")) return asking->raise();
    // A program that vanishes from the screen while it runs in the tray is a surprise, and
    // so is one that ends: the user picks, once.
    auto* box = new QMessageBox(QMessageBox::Question, windowTitle(), tr(kCloseQuestion),
                                QMessageBox::NoButton, this);
    box->setObjectName("CloseQuestion");
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto* close = box->addButton(tr("&Close"), QMessageBox::AcceptRole);
    const bool tray = tray_.Policy().OnHideButton() == WindowAction::Hide;
    box->setDefaultButton(
        box->addButton(tray ? tr("&Hide to tray") : tr("&Minimise"), QMessageBox::RejectRole));
    box->setCheckBox(new QCheckBox(tr("&Don't ask again")));
    connect(box, &QDialog::finished, this, [this, box, close] {
        const CloseBox answer = box->clickedButton() == close ? CloseBox::Close : CloseBox::Hide;
        if (box->checkBox()->isChecked() && !SaveCloseBox(desktop_.settings, answer))
            ShowStatus(tr("The answer could not be saved, so Blenvar will ask again: %1")
                           .arg(QString::fromStdString(desktop_.settings.LastWriteError())));
        if (answer == CloseBox::Close)
            Apply(tray_.Policy().OnClose());
        else
            Apply(tray_.Policy().OnHideButton());
    });
    // Window-modal without a loop of its own: capture goes on meanwhile.
    box->open();
}

void MainWindow::ScanCaptured(const QString& raw) {
    TraceCapture("scan captured");
    // A scan that closes while the one before still waits for the timer takes its turn
    // after it, rather than replacing it in the box.
    if (!pipeline_.Add(raw.toStdString(), false, capture_->ScanSource())) return;
    lastScan_->SetRaw(raw);
    decodeTimer_.start();
}

void MainWindow::ScanRead(const QString& raw, bool identified, const QString& device) {
    if (!pipeline_.Add(raw.toStdString(), identified, device.toStdString())) return;
    lastScan_->SetRaw(raw);
    decodeTimer_.start();
}

void MainWindow::OnDecode() {
    lastScan_->Show(pipeline_.Run([this](const ScanRecord& rec) { lastScan_->Show(rec); }));
    if (pipeline_.Empty()) return;
    lastScan_->SetRaw(QString::fromStdString(pipeline_.Next()));
    decodeTimer_.start();
}

void MainWindow::OnReprocess() {
    ScanRecord rec = lastScan_->Record();
    pipeline_.Reprocess(rec);
    lastScan_->Show(rec);
}

void MainWindow::OnTabChanged(int index) {
    // Leaving the Control tab saves the type once; a failure shows in the status line.
    if (lastTab_ == kControlTab && index != kControlTab && !loading_ && editor_) {
        editor_->SaveCurrentType();
    }
    lastTab_ = index;
    if (outboxListStale_ && tabs_->widget(index) == lastScan_) ShowOutbox();
}

void MainWindow::ShowOutbox() {
    ServerOutbox& server = *desktop_.server;
    const std::string note = server.WaitingNote();
    tray_.SetWaiting(note);
    const QString text = QString::fromStdString(note);
    // The line says what waits, and clears when its own words are out of date.
    if (text != outboxNote_ && (!text.isEmpty() || statusBar()->currentMessage() == outboxNote_))
        ShowStatus(text);
    outboxNote_ = text;
    // The list is read only where it is seen, and no more of it than a glance takes in.
    outboxListStale_ = tabs_->currentWidget() != lastScan_;
    if (!outboxListStale_)
        lastScan_->ShowWaiting(server.Store().List(kWaitingRows), server.Waiting());
}

void MainWindow::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::ConnectCapture(CaptureBackend& backend) {
    connect(capture_.get(), &CaptureDriver::notice, this, &MainWindow::ShowStatus);
    connect(capture_.get(), &CaptureDriver::notice, setup_->Scanner(), &ScannerOptions::Refresh);
    connect(capture_.get(), &CaptureDriver::scanCaptured, this, &MainWindow::ScanCaptured);
    connect(capture_.get(), &CaptureDriver::scanOpened, this, &MainWindow::scanOpened);
    // A scan takes the keyboard: the version window must not stand in front of it.
    connect(this, &MainWindow::scanOpened, this, &MainWindow::HideVersion);
    connect(capture_.get(), &CaptureDriver::trainingRecorded, setup_, &SetupTab::ShowCount);
    connect(capture_.get(), &CaptureDriver::trainingFinished, setup_,
            &SetupTab::OnTrainingFinished);
    connect(capture_.get(), &CaptureDriver::startKeyRefused, this, &MainWindow::OnStartKeyRefused);
    // Reported from inside the backend's own handler: end once it has returned.
    backend.OnLost([this, &backend] {
        std::fprintf(stderr, "blenvar: %s\n", backend.LostMessage().c_str());
        QMetaObject::invokeMethod(this, &MainWindow::EndProgram, Qt::QueuedConnection);
    });
}

void MainWindow::UseTrainedKeys(const TrainedKeys& keys) {
    setup_->Scanner()->Apply();
    setup_->ShowKeys(keys);
    tray_.SetTrained(keys.Trained());
    capture_->UseKeys(keys.start, keys.stop);
    TraceCapture("capture ready");
}

void MainWindow::ShowBackend(const QString& name, bool x11) {
    setup_->ShowBackend(name, x11);
}

void MainWindow::ShowCaptureProblem(const QString& text) {
    setup_->ShowCaptureProblem(text);
    ShowStatus(text);
}

void MainWindow::OnStartKeyRefused(const QString& reason) {
    ShowStatus(reason);
    if (tray_.Visible()) tray_.Notify(reason.toStdString());
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
        connect(versionWindow_, &VersionWindow::unloadForUpgrade, this,
                &MainWindow::UnloadForUpgrade);
    }
    versionWindow_->SetAuthor(tr("Anonymous"));
    versionWindow_->SetWebPage(MakerHomePage());
    // Window-modal without a loop of its own.
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
