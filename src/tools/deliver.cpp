// --deliver: decode every scan and deliver it with the real desktop actions. Built into
// libblenvar-deliver.so, which blenvar-decode loads only for --deliver.
#include <QGuiApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "app/desktop_services.h"
#include "core/com_error.h"
#include "core/paths.h"
#include "output/scan_pipeline.h"
#include "platform/qt/qt_messages.h"
#include "settings/code_types.h"
#include "settings/settings_layout.h"
#include "tools/capture_session.h"
#include "tools/decode_session.h"
#include "tools/deliver_entry.h"
#include "tools/display_check.h"
#include "tools/null_services.h"
#include "tools/scan_input.h"

namespace blenvar {
namespace {

// The signal's number. Read by the standard-input thread too, so an atomic: a volatile
// is signal-safe but not thread-safe; a lock-free atomic is both.
std::atomic<int> g_interrupted{0};
// The longest we stay to send what is due when the scans are done.
constexpr int kSendOnExitMs = 60000;
static_assert(std::atomic<int>::is_always_lock_free);
void OnSignal(int sig) {
    g_interrupted.store(sig, std::memory_order_relaxed);
}

class StderrNotifier : public Notifier {
  public:
    void Notify(const std::string& message) override {
        std::cerr << "blenvar-decode: " << message << std::endl;
        ++count_;
    }
    int Count() const { return count_; }

  private:
    int count_ = 0;
};

// What is due goes out before we leave; what waits out a pause or was refused stays in the
// outbox for the next run or the tray program.
void ReportOutbox(DesktopServices& desktop) {
    if (!desktop.server) return;
    desktop.server->WaitIdle(kSendOnExitMs);
    const int waiting = desktop.server->Waiting();
    if (waiting > 0)
        std::cerr
            << "blenvar-decode: " << waiting << (waiting == 1 ? " scan waits" : " scans wait")
            << " to be sent to a server; it goes out with the next run or the tray program.\n";
}

int RunDeliver(const DecodeOptions& opts, const std::string& settingsFile, int argc, char** argv) {
    // Started programs get the user's environment, not what we set below for ourselves.
    const std::vector<std::string> userEnvironment = CopyEnvironment();
    const char* display = std::getenv("DISPLAY");
    const bool haveDisplay = display && *display;
    if (!haveDisplay) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (haveDisplay) {
        // Qt would abort without a word we control; say plainly what is wrong instead.
        if (!CanOpenDisplay()) {
            std::cerr << "blenvar-decode: cannot connect to the X display \"" << display
                      << "\" (unset DISPLAY to deliver without a desktop)\n";
            return 2;
        }
    }
    QuietDesktopMessages();
    SelectQtSoundBackend();
    QGuiApplication app(argc, argv);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    StderrNotifier notifier;
    NullTray tray;
    DesktopServices desktop({settingsFile, haveDisplay, userEnvironment}, tray, notifier);
    if (opts.capture) {
        // Keys come from the input devices, so they go out through them too, as in the
        // tray program with the evdev backend.
        std::string keysError;
        if (!desktop.TypeThroughVirtualKeyboard(LoadCaptureSetup(desktop.settings).keyboardLayout,
                                                keysError))
            notifier.Notify("keystrokes cannot be typed: " + keysError);
    }
    const std::vector<std::string> types = LoadCodeTypes(desktop.settings);

    // What the program's start-up sets up: the sound title and the type sounds.
    desktop.sound.SetAppTitle("Blenvar");
    try {
        RegisterTypeSounds(desktop.sound, types, ExecutableFolder());
    } catch (const ComError& e) {
        notifier.Notify("The scan sounds could not be registered: " + e.Description());
    }

    // Only a web jump is printed as "open"; a command's document goes to the real opener.
    RecordingOpener webJumps(&desktop.opener);
    DecodeContext ctx{desktop.settings, types, webJumps, desktop.sound, tray, desktop.clock};
    if (opts.encoding) ctx.encodingOverride = *opts.encoding;
    ScanPipeline pipeline(std::move(ctx), desktop.Delivery());

    // Each scan is delivered as soon as it closes; nothing else queues scans here.
    auto deliver = [&](const std::string& raw, const std::string& device = {}) {
        pipeline.Add(raw, false, device);
        webJumps.Reset();
        const ScanRecord rec = pipeline.Run();
        std::cout << ScanLine(opts, rec, webJumps.Last()) << std::endl;
    };

    // Standard input is read on its own thread so the event loop keeps serving the
    // clipboard (and sounds) while we wait for the next scan.
    bool inputDone = false;
    std::thread reader;
    std::unique_ptr<HeadlessCapture> capture;
    if (opts.capture) {
        // Queued, never blocking: the relay must not wait for a busy event loop.
        std::string error;
        capture = HeadlessCapture::Start(
            settingsFile,
            [&](const std::string& raw, const std::string& device) {
                QMetaObject::invokeMethod(
                    &app, [&, raw, device] { deliver(raw, device); }, Qt::QueuedConnection);
            },
            error);
        if (!capture) {
            std::cerr << "blenvar-decode: " << error << "\n";
            return 2;
        }
    } else if (!opts.raws.empty()) {
        for (const auto& raw : opts.raws) {
            if (g_interrupted) break;
            deliver(raw);
            app.processEvents();
        }
        inputDone = true;
    } else {
        reader = std::thread([&] {
            ReadScans(STDIN_FILENO, [&](std::string_view scan) {
                QMetaObject::invokeMethod(
                    &app, [&, raw = std::string(scan)] { deliver(raw); },
                    Qt::BlockingQueuedConnection);
                return g_interrupted == 0;
            });
            QMetaObject::invokeMethod(
                &app, [&] { inputDone = true; }, Qt::QueuedConnection);
        });
    }

    // The last sound is waited for here, in the main loop, never in a nested one.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (g_interrupted) {
            app.quit();
            return;
        }
        if (!inputDone || desktop.player.IsPlaying()) return;
        // The clipboard text lives as long as we own it; stay until someone takes it over.
        if (haveDisplay && QtClipboard::OwnsClipboard()) return;
        app.quit();
    });
    tick.start(50);
    app.exec();
    capture.reset();  // every device released
    if (reader.joinable()) {
        if (g_interrupted) {
            // The reader may be blocked in a read of standard input; don't wait for it.
            std::cout.flush();
            reader.detach();
            std::_Exit(128 + g_interrupted);
        }
        reader.join();
    }
    if (g_interrupted) return 128 + g_interrupted;
    ReportOutbox(desktop);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "blenvar-decode: the results could not be written\n";
        return 1;
    }
    // Something the user was told about went wrong: a script must see it too.
    return notifier.Count() > 0 ? 1 : 0;
}

}  // namespace
}  // namespace blenvar

int blenvar_deliver_main(const blenvar::DecodeOptions* opts, const char* settingsFile, int argc,
                         char** argv) {
    return blenvar::RunDeliver(*opts, settingsFile, argc, argv);
}
