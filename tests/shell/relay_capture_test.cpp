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
#include "support/key_text.h"

namespace blenvar {
namespace {

using testing::KeyText;

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
// "gone" (the scan's device was unplugged). `train` starts training on the UI thread first.
Outcome RunRelay(bool train, const std::string& relaySteps, int expectedUiLines) {
    testing::FakeCaptureBackend backend;
    backend.namesDevices = true;
    UiLog ui;
    RelayCapture c(backend, ui);
    QObject::connect(&c, &CaptureDriver::scanOpened, [&] { ui.Add("opened"); });
    QObject::connect(&c, &CaptureDriver::scanCaptured,
                     [&](const QString& raw) { ui.Add("captured " + raw.toStdString()); });
    QObject::connect(&c, &CaptureDriver::trainingRecorded,
                     [&](int n) { ui.Add("count " + std::to_string(n)); });
    QObject::connect(&c, &CaptureDriver::trainingFinished, [&](const TrainingOutcome& o) {
        ui.Add(o.Good() ? "trained " + KeyText(*o.start) + " " + KeyText(*o.stop) + " from " +
                              c.TrainedDevice()
                        : "no scan");
    });
    QObject::connect(&c, &CaptureDriver::notice,
                     [&](const QString& text) { ui.Add("notice " + text.toStdString()); });
    c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});  // start "`" press, stop Enter press
    if (train) c.StartTraining();
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

TEST(RelayCapture, DecidesOnTheRelayAndReportsOnTheUiThread) {
    const struct {
        const char* name;
        bool train;
        const char* steps;
        int uiLines;
        const char* relay;
        const char* ui;
    } cases[] = {
        {"a scan is withheld key by key and handed over when the stop key comes", false,
         "k 1 0 192 41 100 ev3; k 1 1 65 30 110 ev3; k 4 1 65 30 110 ev3; k 1 0 13 28 120 ev3;"
         "k 1 0 66 48 130 ev3",
         4, "=2, =2, =2, =2, =0", "tray 2, opened, tray 3, captured A"},
        {"the relay's tick closes a scan at its deadline; before it, nothing happens", false,
         "t 50; k 1 0 192 41 1000 ev3; k 4 0 65 30 1000 ev3; t 5999; t 6000; k 1 0 66 48 6001 ev3",
         4, "none, =2, =2, next 6000, none, =0", "tray 2, opened, tray 3, captured a"},
        {"an unplugged scanner closes the open scan with what it sent", false,
         "k 1 0 192 41 100 ev3; k 4 0 65 30 110 ev3; gone; t 200", 5, "=2, =2, none",
         "tray 2, opened, notice the scanner was unplugged, tray 3, captured a"},
        {"training remembers the sample's device and capture uses the new keys at once", true,
         "k 1 1 65 30 100 ev7; k 1 0 13 28 110 ev7; t 2109; t 2110; k 1 1 65 30 3000 ev3", 6,
         "=2, =2, next 2110, none, =2",
         "count 1, count 2, tray 1, trained 1,1,65,30 1,0,13,28 from ev7|0c2e:0b61, tray 2, "
         "opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = RunRelay(c.train, c.steps, c.uiLines);
        EXPECT_EQ(out.relay, c.relay);
        EXPECT_EQ(out.ui, c.ui);
    }
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
