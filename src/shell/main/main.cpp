// blenvar: the tray program. main() is the composition root: it refuses a second copy,
// then builds every service once and hands them to the window.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/desktop_services.h"
#include "capture/backend_choice.h"
#include "capture/capture_backend.h"
#include "core/paths.h"
#include "core/usage.h"
#include "platform/evdev/evdev_capture.h"
#include "platform/evdev/evdev_devices.h"
#include "platform/evdev/evdev_setup.h"
#include "platform/evdev/hid_pos_reader.h"
#include "platform/evdev/serial_reader.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_sound_player.h"
#include "platform/x11/x11_capture.h"
#include "settings/settings_layout.h"
#include "shell/icons/icons.h"
#include "shell/main/capture_controller.h"
#include "shell/main/main_window.h"
#include "shell/main/relay_capture.h"
#include "shell/main/single_instance.h"

namespace {

// Followed by the settings file in use.
constexpr char kUsage[] =
    "Usage: blenvar [--help | --version]\n"
    "Starts Blenvar, which turns the scans of a keyboard-wedge barcode scanner into\n"
    "keystrokes, clipboard text, commands and file lines. It lives in the tray; only one\n"
    "copy runs at a time, and starting it again shows the running copy's window.\n"
    "\n"
    "First train the scanner: on the \"Setup\" tab click Train and scan any barcode. Then\n"
    "choose on the \"Control\" tab what each barcode type does. On Wayland, or without an\n"
    "X display, Blenvar reads the input devices and needs the group \"input\".\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n"
    "\n"
    "blenvar-decode decodes, delivers and trains without a desktop; blenvar-sounds chooses\n"
    "the sounds. Their manual pages, and blenvar(1), say more.\n"
    "\n"
    "Settings file in use: ";

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

void NoDisplay(const char*) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "blenvar: cannot open the display \"%s\"\n", display ? display : "");
    std::_Exit(2);
}

int g_signalPipe[2] = {-1, -1};
void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

// A logout or kill ends the program as Exit does: hook removed, tray icon gone, lock freed.
// Caught from before the lock is taken, so no signal of the start-up goes unheard; it is
// handled once the event loop runs.
void CatchEndSignals() {
    if (::pipe(g_signalPipe) != 0) return;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, OnEndSignal);
}
void DefaultEndSignals() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, SIG_DFL);
}
void EndOnSignals(QObject* context, std::function<void()> end) {
    if (g_signalPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, std::move(end));
}

int RefuseSecondCopy(blenvar::SingleInstance& instance) {
    instance.AskToShow();
    std::fprintf(stderr, "blenvar: %s\n", blenvar::kOnlyOneCopy);
    QMessageBox box(QMessageBox::Information, "Blenvar", QObject::tr(blenvar::kOnlyOneCopy),
                    QMessageBox::Ok);
    box.setObjectName("OnlyOneCopy");
    // The message is the whole run of this copy, so its loop is the program's only one.
    box.exec();
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::printf("%s%s\n", kUsage,
                        blenvar::MainSettingsFile(blenvar::ExecutableFolder()).c_str());
            return 0;
        }
        if (!std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version")) {
            std::printf("blenvar %s\n", BLENVAR_VERSION);
            return 0;
        }
        return blenvar::UsageError("blenvar", std::string("unexpected argument '") + argv[i] + "'");
    }
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "blenvar: no display to show the window on (DISPLAY is not set)\n");
        return 2;
    }
    // Started programs get the user's environment as it was, not what we set for ourselves.
    const std::vector<std::string> userEnvironment = blenvar::CopyEnvironment();
    blenvar::QuietDesktopMessages(NoDisplay);
    blenvar::SelectQtSoundBackend();
    QApplication app(argc, argv);
    blenvar::QuietDesktopMessages();
    // Hidden in the tray is not closed; only Exit and the close box end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InitBlenvarIcons();
    QApplication::setWindowIcon(QIcon(":/icons/blenvar.svg"));

    CatchEndSignals();
    blenvar::SingleInstance instance(blenvar::RuntimeFolder());
    if (!instance.Acquire()) {
        DefaultEndSignals();
        return RefuseSecondCopy(instance);
    }

    const std::string programFolder = blenvar::ExecutableFolder();
    blenvar::ShellTray tray;
    blenvar::DesktopServices desktop(
        {blenvar::MainSettingsFile(programFolder), Set("DISPLAY"), userEnvironment}, tray, tray);
    desktop.sound.SetAppTitle("Blenvar");
    const blenvar::CaptureSetup setup = blenvar::LoadCaptureSetup(desktop.settings);
    const blenvar::BackendKind kind =
        blenvar::ChooseBackend(setup.backend, blenvar::WaylandSession(), Set("DISPLAY"));
    // Without a backend no scan is seen, but the window and its settings still work.
    std::unique_ptr<blenvar::CaptureBackend> capture;
    std::unique_ptr<blenvar::CaptureDriver> driver;
    std::string problem;
    std::string keysProblem;
    if (kind == blenvar::BackendKind::Evdev) {
        bool denied = false;
        std::string error;
        if (auto evdev =
                blenvar::EvdevCapture::Start(blenvar::EvdevSetupFor(setup), error, denied)) {
            auto relay = std::make_unique<blenvar::RelayCapture>(*evdev, tray);
            evdev->SetTickHook(relay->TickHook());
            evdev->SetNoticeHook(relay->NoticeHook());
            driver = std::move(relay);
            capture = std::move(evdev);
            keysProblem = setup.layoutProblem;
            if (!keysProblem.empty()) std::fprintf(stderr, "blenvar: %s\n", keysProblem.c_str());
            std::string keysError;
            if (!desktop.TypeThroughVirtualKeyboard(setup.keyboardLayout, keysError)) {
                keysProblem = "Keystrokes cannot be typed: " + keysError;
                std::fprintf(stderr, "blenvar: %s\n", keysProblem.c_str());
            }
        } else {
            problem = denied
                          ? blenvar::InputAccessMessage()
                          : "Scans cannot be captured through the input devices (Evdev): " + error;
            std::fprintf(stderr, "blenvar: %s\n", problem.c_str());
        }
    } else if (Set("DISPLAY")) {
        auto x11 = std::make_unique<blenvar::X11Capture>(desktop.keyGate);
        if (x11->Connected()) {
            auto controller = std::make_unique<blenvar::CaptureController>(*x11, tray);
            // Both run on this thread; the window, and the controller with it, goes first.
            x11->SetNoticeHook(
                [c = QPointer(controller.get())](const std::string& message, blenvar::ScanCut cut) {
                    if (c) c->Notice(message, cut);
                });
            driver = std::move(controller);
            capture = std::move(x11);
        }
    }
    if (!capture) capture = std::make_unique<blenvar::NullHookLibrary>();
    blenvar::MainWindow window(desktop, *capture, tray, std::move(driver));
    QObject::connect(&instance, &blenvar::SingleInstance::showRequested, &window,
                     &blenvar::MainWindow::ShowFromTray);
    window.Load({BLENVAR_VERSION_MAJOR, BLENVAR_VERSION_MINOR, BLENVAR_VERSION_PATCH});
    // After loading, so no start-up message covers it.
    if (problem.empty())
        window.ShowBackend(QString::fromUtf8(blenvar::BackendName(kind)),
                           kind == blenvar::BackendKind::X11);
    else
        window.ShowCaptureProblem(QString::fromStdString(problem));
    if (!keysProblem.empty()) window.ShowStatus(QString::fromStdString(keysProblem));
    // Both report on their own threads; gone before the window.
    const auto read = [&window](const std::string& raw, bool identified,
                                const std::string& device) {
        QMetaObject::invokeMethod(
            &window,
            [&window, identified, text = QString::fromStdString(raw),
             name = QString::fromStdString(device)] { window.ScanRead(text, identified, name); },
            Qt::QueuedConnection);
    };
    const auto notice = [&window](const std::string& message) {
        QMetaObject::invokeMethod(
            &window, [&window, text = QString::fromStdString(message)] { window.ShowStatus(text); },
            Qt::QueuedConnection);
    };
    std::unique_ptr<blenvar::HidPosReader> posScanners;
    std::unique_ptr<blenvar::SerialReader> serialScanner;
    std::string sourceError;
    const auto readPosScanners = [&posScanners, read, notice] {
        if (posScanners) return;
        std::string error;
        posScanners = blenvar::HidPosReader::Start(
            {[read](const blenvar::PosScan& scan, const std::string& device) {
                 read(scan.Raw(), true, device);
             },
             notice},
            error);
        if (!error.empty()) notice(error);
    };
    if (setup.posScanners) readPosScanners();
    // Taken up on "Setup": read from now on, without a restart.
    QObject::connect(&window, &blenvar::MainWindow::posScannersChosen, &window, readPosScanners);
    if (!setup.serialProblem.empty()) notice(setup.serialProblem);
    if (setup.serialScanner) {
        serialScanner = blenvar::SerialReader::Start(
            *setup.serialScanner, setup.scanGapMs,
            {[read](const std::string& scan, const std::string& device) {
                 read(scan, false, device);
             },
             notice},
            sourceError);
    }
    if (!sourceError.empty()) notice(sourceError);
    EndOnSignals(&window, [&window] { window.EndProgram(); });
    window.show();
    return app.exec();
}
