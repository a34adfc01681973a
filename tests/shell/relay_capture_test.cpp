// The relay-side driver: events and ticks come from a thread standing in for the evdev
// relay, which gets its answers at once; what the window sees arrives on the UI thread.
#include "shell/main/relay_capture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <sstream>
#include <thread>

#include "shell/fake_capture_backend.h"

namespace blenvar {
namespace {

class UiLog : public TrayImage {
  public:
    std::vector<std::string> lines;
    void Add(std::string line) {
        // Everything the window sees must come on its thread.
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            line += " (OFF THE UI THREAD)";
        lines.push_back(std::move(line));
    }
    void SetTrayImage(int image) override { Add("tray " + std::to_string(image)); }
};

std::string Join(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) joined += (joined.empty() ? "" : ", ") + line;
    return joined;
}

struct Outcome {
    std::string relay;  // the callback's answers and the tick hook's deadlines, in order
    std::string ui;     // tray images and signals, as the UI thread saw them
};

// Relay steps, ';'-separated: "k A S V C MS DEVICE" (a key event), "t MS" (the relay wakes),
// "gone" (the scan's device was unplugged). Training through the relay: main_window_test.
Outcome RunRelay(const std::string& relaySteps, int expectedUiLines) {
    testing::FakeCaptureBackend backend;
    UiLog ui;
    RelayCapture c(backend, ui);
    QObject::connect(&c, &CaptureDriver::scanOpened, [&] { ui.Add("opened"); });
    QObject::connect(&c, &CaptureDriver::scanCaptured,
                     [&](const QString& raw) { ui.Add("captured " + raw.toStdString()); });
    QObject::connect(&c, &CaptureDriver::notice,
                     [&](const QString& text) { ui.Add("notice " + text.toStdString()); });
    c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});  // start "`" press, stop Enter press
    ui.lines.clear();

    const KeyCallback callback = c.CaptureCallback();
    const auto tick = c.TickHook();
    const auto notice = c.NoticeHook();
    std::vector<std::string> relay;
    std::thread thread([&] {
        std::istringstream steps(relaySteps);
        for (std::string step; std::getline(steps, step, ';');) {
            std::istringstream in(step);
            std::string op;
            in >> op;
            if (op == "k") {
                KeyEvent e;
                in >> e.Action >> e.State >> e.VCode >> e.SCode >> e.timeMs >> e.device;
                relay.push_back("=" + std::to_string(callback(e)));
            } else if (op == "t") {
                std::uint64_t now = 0;
                in >> now;
                const auto next = tick(now);
                relay.push_back(next ? "next " + std::to_string(*next) : "none");
            } else if (op == "gone") {
                notice("the scanner was unplugged", true);
            }
        }
    });
    thread.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return int(ui.lines.size()) >= expectedUiLines; }, 2000));
    QCoreApplication::processEvents();  // nothing more may follow
    return {Join(relay), Join(ui.lines)};
}

// A scan withheld key by key and handed over at the stop key; one closed by the relay's
// tick at its deadline, and none before it; one closed by an unplugged scanner.
TEST(RelayCapture, DecidesOnTheRelayAndReportsOnTheUiThread) {
    const Outcome out = RunRelay(
        "t 50; k 1 0 192 41 100 ev3; k 4 1 65 30 110 ev3; k 1 0 13 28 120 ev3; k 1 0 66 48 130 ev3;"
        "k 1 0 192 41 1000 ev3; k 4 0 65 30 1000 ev3; t 5999; t 6000; k 1 0 66 48 6001 ev3;"
        "k 1 0 192 41 7000 ev3; k 4 0 66 48 7000 ev3; gone",
        13);
    EXPECT_EQ(out.relay, "none, =2, =2, =2, =0, =2, =2, next 6000, none, =0, =2, =2");
    EXPECT_EQ(out.ui,
              "opened, tray 2, captured A, tray 3, opened, tray 2, captured a, tray 3, opened, "
              "tray 2, notice the scanner was unplugged, captured b, tray 3");
}

TEST(RelayCapture, ARelayOutlivingTheWindowPassesKeysAndCallsNothing) {
    testing::FakeCaptureBackend backend;
    UiLog ui;
    KeyCallback callback;
    std::function<std::optional<std::uint64_t>(std::uint64_t)> tick;
    {
        RelayCapture c(backend, ui);
        c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});
        callback = c.CaptureCallback();
        tick = c.TickHook();
        EXPECT_EQ(callback(KeyEvent{1, 0, 192, 41, 100, "ev3"}), kConsumeKey);
    }
    EXPECT_EQ(callback(KeyEvent{1, 0, 65, 30, 110, "ev3"}), kPassKey);
    EXPECT_FALSE(tick(99999));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.lines.empty()) << Join(ui.lines);
}

}  // namespace
}  // namespace blenvar
