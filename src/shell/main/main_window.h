#pragma once
// The program's one window: five tabs over the Hide, Updates and Exit buttons. It does
// each start-up step for Startup, hides to and returns from the tray as TrayPolicy says,
// and gives each captured scan to the scan pipeline a moment after it closes.
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop_services.h"
#include "capture/capture_backend.h"
#include "output/scan_pipeline.h"
#include "shell/editor/type_editor.h"
#include "shell/main/capture_controller.h"
#include "shell/main/last_scan_tab.h"
#include "shell/main/setup_tab.h"
#include "shell/main/shell_tray.h"
#include "shell/main/startup.h"
#include "shell/version/version_window.h"

namespace blenvar {

struct Version {
    int major = 0;
    int minor = 0;
    int patch = 0;
};

class MainWindow : public QMainWindow, private StartupHost {
    Q_OBJECT
  public:
    // `driver` runs capture and training on `capture` (a CaptureController when null).
    MainWindow(DesktopServices& desktop, CaptureBackend& capture, ShellTray& tray,
               std::unique_ptr<CaptureDriver> driver, QWidget* parent = nullptr);
    ~MainWindow() override;
    // "Setup" names the capture backend in use; the Wayland note only matters for X11.
    void ShowBackend(const QString& name, bool x11);
    // Shown in the status line and on "Setup": why capture is not running.
    void ShowCaptureProblem(const QString& text);
    // A line in the status line until the next one.
    void ShowStatus(const QString& text);
    // A scan from a HID POS or serial scanner, delivered like a captured one; `identified`:
    // the scanner put the symbology identifier in front (HID POS), so it is read in AIM mode.
    // `device`: the scanner's name.
    void ScanRead(const QString& raw, bool identified, const QString& device);

    // Load steps; the window is shown afterwards as the program's first window.
    void Load(const Version& version);
    // From the tray, its menu, or a second copy.
    void ShowFromTray();
    // Hook removed, tray icon deleted, event loop ended (unless an upgrade is starting:
    // the version window ends the program once the installer runs).
    void EndProgram();

  signals:
    // A scan has begun: windows in the way of it (the version window) get out of it.
    void scanOpened();
    // The user chose to read HID POS scanners (PosScanners=Auto is saved).
    void posScannersChosen();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // StartupHost: only Startup calls these, in its order.
    void LoadHelpPages() override;
    void CollectTabNames() override;
    void LoadTypes() override;
    void FitToContents() override;
    void SelectTab(int index) override;
    void LoadSelectedType() override;
    void AddTrayIcon() override;
    void SetTitle(const std::string& title) override;
    void StartStartupTimer() override;
    void SetLoading(bool loading) override;
    void SetTrayImage(int image) override;
    void RestoreEncoding() override;
    void ShowTrainingPrompt() override;
    void ShowWindow() override;
    void HideToTray() override;
    void AfterPendingEvents(std::function<void()> then) override;
    void UseTrainedKeys(const TrainedKeys& keys) override;

    // Capture hands over a complete scan: it is decoded at the Decode timer's next tick.
    void ScanCaptured(const QString& raw);
    // A scan that opens hides the version window.
    void HideVersion();
    void OnTabRequested(const QString& name);
    void Apply(WindowAction action);
    // The close box asks, without a loop of its own, whether to end or hide.
    void AskOnClose();
    void SayIfNoTray();
    void OnDecode();
    void OnReprocess();
    void OnTabChanged(int index);
    // The waiting count in the tray and status line, and the Waiting list on "Last Scan".
    void ShowOutbox();
    // Capture and training.
    void ConnectCapture(CaptureBackend& backend);
    void OnStartKeyRefused(const QString& reason);
    void OnUpdateButton();
    // The window's size, and its position on X11, as the settings keep them.
    WindowPlace Place() const;
    // Saved when it differs from what the settings hold.
    void SavePlace();
    void UnloadForUpgrade();
    // The installer is being started: the unload must leave ending to the version window.
    bool Upgrading() const { return versionWindow_ && versionWindow_->Upgrading(); }

    DesktopServices& desktop_;
    CaptureBackend& backend_;
    ShellTray& tray_;
    std::vector<std::string> types_;
    ScanPipeline pipeline_;
    std::unique_ptr<CaptureDriver> capture_;
    Startup startup_;

    QTabWidget* tabs_;
    QWidget* controlTab_;
    TypeEditor* editor_ = nullptr;  // made once the type list is read
    LastScanTab* lastScan_;
    SetupTab* setup_;
    QPushButton* hideButton_;
    QPushButton* updateButton_;
    QPushButton* exitButton_;
    QTimer startupTimer_;
    QTimer decodeTimer_;
    QString outboxNote_;
    std::atomic<bool> outboxQueued_{false};  // a ShowOutbox is on its way to the UI thread
    bool outboxListStale_ = false;           // changed while "Last Scan" was not shown

    std::string tabNames_;
    bool loading_ = false;
    bool ending_ = false;
    int lastTab_ = 0;
    Version programVersion_;
    WindowPlace place_;                       // as last read or saved
    VersionWindow* versionWindow_ = nullptr;  // made at the first Updates
};

}  // namespace blenvar
