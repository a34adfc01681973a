// blenvar-capture-harness EVENTS_FILE START STOP [SCANNER [GAP_MS]]   (keys as A,S,V,C)
// Runs X11Capture under the program's CaptureController, in Scanner mode when SCANNER (a
// ScannerDevice text) is given, and appends to EVENTS_FILE, flushed per line:
//   ready | refused <sentence> (then exits 4) | use <sentence> | lost (exits 3)
//   e A S V C <c|p>[ s]    a key event of capture, consumed or passed; " s": from the scanner
//   scan <text> | notice <text> | trained <ScannerDevice> | untrained <message> | present 0|1
// Commands on standard input, one a line:
//   type TEXT    queues TEXT on the typing thread, whose sender waits at the capture's gate;
//                "typing" once it begins, "typed" once it is done
//   train        starts training; stop ends it
//   present      whether the scanner is plugged in
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <string>

#include "keys/literal_keys.h"
#include "output/typing_gate.h"
#include "output/typing_thread.h"
#include "platform/x11/x11_capture.h"
#include "platform/x11/x11_key_sender.h"
#include "shell/main/capture_controller.h"

namespace {

blenvar::TrainedKey ParseKey(const char* text) {
    int a = 0, s = 0, v = 0, c = 0;
    std::sscanf(text, "%d,%d,%d,%d", &a, &s, &v, &c);
    return {std::int16_t(a), std::int16_t(s), std::int16_t(v), std::int16_t(c)};
}

class NoTray : public blenvar::TrayImage {
  public:
    void SetTrayImage(int) override {}
};

// Says when each Send begins and ends, from the typing thread.
struct Announcing : blenvar::X11KeySender {
    using X11KeySender::X11KeySender;
    std::function<void(const std::string&)> line;
    bool Send(const std::vector<blenvar::KeyAction>& actions, std::string& error) override {
        line("typing");
        const bool ok = X11KeySender::Send(actions, error);
        line("typed");
        return ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr,
                     "usage: blenvar-capture-harness EVENTS_FILE START STOP [SCANNER [GAP_MS]]\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "a");
    if (out == nullptr) return 2;
    const auto line = [out](const std::string& text) {
        std::fprintf(out, "%s\n", text.c_str());
        std::fflush(out);
    };

    blenvar::TypingGate gate;
    blenvar::X11Capture capture(gate);
    if (!capture.Connected()) return 1;
    blenvar::TypingThread typing(
        [&] {
            auto sender = std::make_unique<Announcing>(&gate);
            sender->line = line;
            return sender;
        },
        [&](std::function<void()> f) {
            QMetaObject::invokeMethod(&app, std::move(f), Qt::QueuedConnection);
        });
    capture.OnLost([&] {
        line("lost");
        app.exit(3);
    });

    NoTray tray;
    blenvar::CaptureController controller(capture, tray);
    capture.SetNoticeHook(
        [&](const std::string& message, blenvar::ScanCut cut) { controller.Notice(message, cut); });
    QObject::connect(&controller, &blenvar::CaptureDriver::scanCaptured,
                     [&](const QString& raw) { line("scan " + raw.toStdString()); });
    QObject::connect(&controller, &blenvar::CaptureDriver::notice,
                     [&](const QString& text) { line("notice " + text.toStdString()); });
    QObject::connect(&controller, &blenvar::CaptureDriver::trainingFinished,
                     [&](const blenvar::TrainingOutcome& outcome) {
                         line(outcome.Good() ? "trained " + controller.TrainedDevice()
                                             : "untrained " + std::string(outcome.Message()));
                     });
    const blenvar::KeyCallback capturing = controller.CaptureCallback();
    blenvar::InstallHook(capture, [&](const blenvar::KeyEvent& e) {
        const int result = capturing(e);
        char text[64];
        std::snprintf(text, sizeof text, "e %d %d %d %d %c%s", e.Action, e.State, e.VCode, e.SCode,
                      result == blenvar::kConsumeKey ? 'c' : 'p', e.fromScanner ? " s" : "");
        line(text);
        return result;
    });

    if (argc >= 5) {
        const auto scanner = blenvar::ParseScanner(argv[4]);
        const std::string problem =
            controller.UseScanner(scanner, argc == 6 ? std::stoull(argv[5]) : 100);
        if (!problem.empty()) line("use " + problem);
    }
    bool refused = false;
    QObject::connect(&controller, &blenvar::CaptureDriver::startKeyRefused,
                     [&](const QString& why) {
                         line("refused " + why.toStdString());
                         refused = true;
                     });
    controller.UseKeys(ParseKey(argv[2]), ParseKey(argv[3]));
    if (refused) return 4;

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) {
            input.setEnabled(false);
            return;
        }
        if (command.rfind("type ", 0) == 0) {
            typing.Type(blenvar::test::LiteralKeys(command.substr(5)),
                        [&](const std::string& error) { line(error); });
        } else if (command == "train") {
            controller.StartTraining();
            line("training");
        } else if (command == "stop") {
            controller.StopTraining();
        } else if (command == "present") {
            line(capture.ScannerPresent() ? "present 1" : "present 0");
        }
    });
    line("ready");
    const int status = app.exec();
    controller.Stop();
    return status;
}
