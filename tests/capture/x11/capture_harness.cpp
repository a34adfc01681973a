// blenvar-capture-harness EVENTS_FILE START STOP   (keys as A,S,V,C)
// Runs X11Capture with the capture machine, holding the keyboard while a scan is open,
// and appends to EVENTS_FILE, flushed per line:
//   ready | refused <sentence> (then exits 4) | e A S V C <c|p> | scan <text> | lost (exits 3)
// A line "type TEXT" on standard input types TEXT through the key sender, which shares
// the capture's guard.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "capture/capture_machine.h"
#include "keys/literal_keys.h"
#include "output/synthetic_key_guard.h"
#include "platform/x11_capture.h"
#include "platform/x11_key_sender.h"

namespace {

blenvar::TrainedKey ParseKey(const char* text) {
    int a = 0, s = 0, v = 0, c = 0;
    std::sscanf(text, "%d,%d,%d,%d", &a, &s, &v, &c);
    return {std::int16_t(a), std::int16_t(s), std::int16_t(v), std::int16_t(c)};
}

std::uint64_t NowMs() {
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: blenvar-capture-harness EVENTS_FILE START STOP\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "a");
    if (out == nullptr) return 2;
    const auto line = [out](const std::string& text) {
        std::fprintf(out, "%s\n", text.c_str());
        std::fflush(out);
    };

    blenvar::SyntheticKeyGuard guard;
    blenvar::X11Capture capture(guard);
    blenvar::X11KeySender sender(&guard);
    if (!capture.Connected()) return 1;
    capture.OnLost([&] {
        line("lost");
        app.exit(3);
    });

    const blenvar::TrainedKey start = ParseKey(argv[2]);
    blenvar::CaptureMachine machine;
    machine.SetKeys(start, ParseKey(argv[3]));
    QTimer deadline;
    deadline.setSingleShot(true);
    const auto apply = [&](const blenvar::CaptureStep& step) {
        if (step.scan) line("scan " + *step.scan);
        if (step.deadline) {
            deadline.start(int(*step.deadline > NowMs() ? *step.deadline - NowMs() : 0));
        }
        capture.HoldKeyboard(machine.Scanning());
    };
    QObject::connect(&deadline, &QTimer::timeout, [&] { apply(machine.Tick(NowMs())); });
    blenvar::InstallHook(capture, [&](const blenvar::KeyEvent& e) {
        const blenvar::CaptureStep step = machine.OnKey(e);
        char text[64];
        std::snprintf(text, sizeof text, "e %d %d %d %d %c", e.Action, e.State, e.VCode, e.SCode,
                      step.result == blenvar::kConsumeKey ? 'c' : 'p');
        line(text);
        apply(step);
        return step.result;
    });
    if (const std::string refused = capture.WatchStartKey(start); !refused.empty()) {
        line("refused " + refused);
        return 4;
    }

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) {
            input.setEnabled(false);
            return;
        }
        if (command.rfind("type ", 0) == 0) {
            std::string error;
            if (!sender.Send(blenvar::test::LiteralKeys(command.substr(5)), error)) line(error);
            line("typed");
        }
    });
    line("ready");
    return app.exec();
}
