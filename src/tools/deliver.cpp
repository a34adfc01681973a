// --deliver: decode every scan and deliver it with the real desktop actions.
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>

#include "components/ini/ini_file.h"
#include "components/sound/sound_control.h"
#include "core/com_error.h"
#include "core/paths.h"
#include "decode/code_types.h"
#include "decode/decode_scan.h"
#include "output/process_scan.h"
#include "platform/posix_file_appender.h"
#include "platform/posix_process_starter.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_sound_player.h"
#include "platform/x11_key_sender.h"
#include "platform/xdg_opener.h"
#include "tools/decode_fakes.h"
#include "tools/decode_session.h"
#include "tools/display_check.h"

namespace blenvar {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;  // the signal's number
void OnSignal(int sig) {
    g_interrupted = sig;
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

}  // namespace

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
    SelectQtSoundBackend();
    QGuiApplication app(argc, argv);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    StderrNotifier notifier;
    const std::string programFolder = ExecutableFolder();
    INIFile ini;
    ini.SetFileName(settingsFile);
    const std::vector<std::string> types = LoadCodeTypes(ini);

    // What the program's start-up sets up: the sound title and the type sounds.
    QtSoundPlayer player;
    PosixProcessStarter starter(userEnvironment);
    SoundControl sound(nullptr, player, &starter);
    sound.SetAppTitle("Blenvar");
    try {
        RegisterTypeSounds(sound, types, programFolder);
    } catch (const ComError& e) {
        notifier.Notify("The scan sounds could not be registered: " + e.Description());
    }

    std::unique_ptr<X11KeySender> keys;
    if (haveDisplay) keys = std::make_unique<X11KeySender>();
    QtClipboard clipboard;
    XdgOpener realOpener(starter);
    RecordingOpener opener(&realOpener);
    PosixFileAppender files;
    NoTray tray;
    SystemClock clock;
    DecodeContext ctx{ini, types, opener, sound, tray, clock};
    if (opts.encoding) ctx.encodingOverride = *opts.encoding;
    DeliveryServices services{ini,
                              sound,
                              keys.get(),
                              clipboard,
                              starter,
                              starter,
                              opener,
                              files,
                              tray,
                              notifier,
                              FolderOf(settingsFile)};

    auto deliver = [&](const std::string& raw) {
        ScanRecord rec;
        rec.Raw = raw;
        opener.Reset();
        DecodeScan(rec, ctx);
        ProcessScan(rec, false, services);
        std::cout << ScanLine(opts, rec, opener.Last()) << std::endl;
    };

    // Standard input is read on its own thread so the event loop keeps serving the
    // clipboard (and sounds) while we wait for the next scan.
    bool inputDone = false;
    std::thread reader;
    if (!opts.raws.empty()) {
        for (const auto& raw : opts.raws) {
            if (g_interrupted) break;
            deliver(raw);
            app.processEvents();
        }
        inputDone = true;
    } else {
        reader = std::thread([&] {
            ForEachRawScan(opts, [&](const std::string& raw) {
                QMetaObject::invokeMethod(
                    &app, [&, raw] { deliver(raw); }, Qt::BlockingQueuedConnection);
                return g_interrupted == 0;
            });
            QMetaObject::invokeMethod(
                &app, [&] { inputDone = true; }, Qt::QueuedConnection);
        });
    }

    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (g_interrupted) {
            app.quit();
            return;
        }
        if (!inputDone || player.IsPlaying()) return;
        // The clipboard text lives as long as we own it; stay until someone takes it over.
        if (haveDisplay && QtClipboard::OwnsClipboard()) return;
        app.quit();
    });
    tick.start(50);
    app.exec();
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
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "blenvar-decode: the results could not be written\n";
        return 1;
    }
    // Something the user was told about went wrong: a script must see it too.
    return notifier.Count() > 0 ? 1 : 0;
}

}  // namespace blenvar
