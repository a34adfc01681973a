// The two drivers of capture on one table: CaptureController (X11: keys on the event loop, a
// timer for the deadline) and RelayCapture (evdev: keys and ticks on the relay thread, what
// the window sees posted to the UI thread). Each asks the same of the backend and reports
// the same, step by step on a fake clock.
#include "shell/main/capture_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <sstream>
#include <thread>

#include "shell/fake_capture_backend.h"
#include "shell/main/relay_capture.h"
#include "support/key_text.h"

namespace blenvar {
namespace {

using testing::KeyText;

// Lines of what the backend was asked ("b"), what the window saw ("u") and what the
// callback and the deadline answered ("a").
class Log : public TrayImage {
  public:
    explicit Log(testing::FakeCaptureBackend& backend) : backend_(backend) {}
    void Ui(std::string line) {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            line += " (OFF THE UI THREAD)";
        lines_.push_back("u" + line);
    }
    void Answer(const std::string& line) { lines_.push_back("a" + line); }
    void SetTrayImage(int image) override { Ui("tray " + std::to_string(image)); }
    // "backend lines | window lines | answers".
    std::string Text() const {
        std::string parts[3];
        for (const std::string& b : backend_.log) parts[0] += (parts[0].empty() ? "" : ", ") + b;
        for (const std::string& l : lines_) {
            std::string& part = parts[l[0] == 'u' ? 1 : 2];
            part += (part.empty() ? "" : ", ") + l.substr(1);
        }
        return parts[0] + " | " + parts[1] + " | " + parts[2];
    }

  private:
    testing::FakeCaptureBackend& backend_;
    std::vector<std::string> lines_;
};

void Connect(CaptureDriver& c, Log& log) {
    QObject::connect(&c, &CaptureDriver::scanOpened, [&] { log.Ui("opened"); });
    QObject::connect(&c, &CaptureDriver::scanCaptured,
                     [&](const QString& raw) { log.Ui("captured " + raw.toStdString()); });
    QObject::connect(&c, &CaptureDriver::trainingRecorded,
                     [&](int n) { log.Ui("count " + std::to_string(n)); });
    QObject::connect(&c, &CaptureDriver::trainingFinished, [&](const TrainingOutcome& o) {
        log.Ui(o.Good() ? "trained " + KeyText(*o.start) + " " + KeyText(*o.stop) : "no scan");
    });
    QObject::connect(&c, &CaptureDriver::notice,
                     [&](const QString& text) { log.Ui("notice " + text.toStdString()); });
    c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});  // start "`" press, stop Enter press
}

// Steps, ';'-separated: "key A S V C" (at the current time), "at MS", "tick" (the deadline
// check runs now; answers the next deadline), "train", "stop", "unplugged" (the backend's
// notice that the scan's device is gone).
struct Step {
    std::string op;
    KeyEvent key;
};
std::vector<Step> Parse(const std::string& script) {
    std::vector<Step> steps;
    std::istringstream all(script);
    for (std::string text; std::getline(all, text, ';');) {
        std::istringstream in(text);
        Step s;
        in >> s.op;
        if (s.op == "key") in >> s.key.Action >> s.key.State >> s.key.VCode >> s.key.SCode;
        if (s.op == "at") in >> s.key.timeMs;
        steps.push_back(s);
    }
    return steps;
}

std::string Next(std::optional<std::uint64_t> next) {
    return next ? "next " + std::to_string(*next) : "none";
}

std::string RunController(const std::string& script) {
    testing::FakeCaptureBackend backend;
    Log log(backend);
    std::uint64_t now = 0;
    CaptureController c(backend, log, [&now] { return now; });
    Connect(c, log);
    InstallHook(backend, c.CaptureCallback());
    backend.log.clear();
    auto* timer = c.findChild<QTimer*>("CaptureDeadline");
    int fired = 0;
    QObject::connect(timer, &QTimer::timeout, [&fired] { ++fired; });
    for (const Step& s : Parse(script)) {
        if (s.op == "key") {
            log.Answer("=" + std::to_string(backend.Type(s.key.Action, s.key.State, s.key.VCode,
                                                         s.key.SCode)));
        } else if (s.op == "at") {
            now = s.key.timeMs;
        } else if (s.op == "tick") {
            if (timer->isActive()) {
                const int before = fired;
                timer->start(0);
                EXPECT_TRUE(QTest::qWaitFor([&] { return fired > before; }, 1000));
            }
            log.Answer(Next(timer->isActive()
                                ? std::optional<std::uint64_t>(now + timer->interval())
                                : std::nullopt));
        } else if (s.op == "train") {
            c.StartTraining();
        } else if (s.op == "stop") {
            c.StopTraining();
        } else if (s.op == "unplugged") {
            c.Notice("gone", ScanCut::Close);
        }
    }
    return log.Text();
}

// Keys, ticks and notices come from a thread standing in for the relay.
std::string RunRelay(const std::string& script) {
    testing::FakeCaptureBackend backend;
    Log log(backend);
    RelayCapture c(backend, log);
    Connect(c, log);
    backend.log.clear();
    const KeyCallback callback = c.CaptureCallback();
    const auto tick = c.TickHook();
    const auto notice = c.NoticeHook();
    std::uint64_t now = 0;
    const auto onRelay = [](auto f) { std::thread(f).join(); };
    for (const Step& s : Parse(script)) {
        if (s.op == "key") {
            KeyEvent e = s.key;
            e.timeMs = now;
            onRelay([&] { log.Answer("=" + std::to_string(callback(e))); });
        } else if (s.op == "at") {
            now = s.key.timeMs;
        } else if (s.op == "tick") {
            onRelay([&] { log.Answer(Next(tick(now))); });
        } else if (s.op == "train") {
            c.StartTraining();
        } else if (s.op == "stop") {
            c.StopTraining();
        } else if (s.op == "unplugged") {
            onRelay([&] { notice("gone", ScanCut::Close); });
        }
        QCoreApplication::processEvents();  // what the relay posted, before the next step
    }
    return log.Text();
}

// The coordinator decides (the transcripts); here, that each driver holds and lets go of
// the keyboard on its word, keeps its deadlines and reports on the UI thread. A refused
// start key: on a real X server, capture_x11_test.
TEST(CaptureDrivers, HoldWhileAScanOrTrainingIsOpenKeepTheDeadlinesAndReport) {
    const struct {
        const char* name;
        const char* script;
        const char* expected;
    } cases[] = {
        {"the start key's own character is collected; the key after the stop key passes",
         "key 1 0 192 41; key 4 0 192 41; key 1 1 65 30; key 4 1 65 30; key 1 0 13 28;"
         "key 1 0 65 30",
         "hold, release | opened, tray 2, captured `A, tray 3 | =2, =2, =2, =2, =2, =0"},
        {"the deadline closes a scan, not the next key, which passes",
         "at 1000; key 1 0 192 41; at 5999; key 4 0 65 30; tick; at 6000; tick; key 1 0 66 48",
         "hold, release | opened, tray 2, captured a, tray 3 | =2, =2, next 6000, none, =0"},
        {"training holds from an open scan on, ends 2 s after the last key, and capture "
         "resumes with the new keys at once",
         "key 1 0 192 41; train; at 100; key 1 1 65 30; key 1 0 13 28; at 2099; tick; at 2100;"
         "tick; key 1 1 65 30",
         "hold, release, watch 1,1,65,30, hold | opened, tray 2, tray 1, count 1, count 2, "
         "tray 1, trained 1,1,65,30 1,0,13,28, opened, tray 2 | =2, =2, =2, next 2100, none, =2"},
        {"an unplugged scanner closes the open scan; stopped training leaves no deadline",
         "key 1 0 192 41; key 4 0 65 30; unplugged; train; stop; tick",
         "hold, release, hold, release | opened, tray 2, notice gone, captured a, tray 3, "
         "tray 1, tray 1, no scan | =2, =2, none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunController(c.script), c.expected) << "CaptureController";
        EXPECT_EQ(RunRelay(c.script), c.expected) << "RelayCapture";
    }
}

TEST(RelayCapture, ARelayOutlivingTheWindowPassesKeysAndCallsNothing) {
    testing::FakeCaptureBackend backend;
    Log log(backend);
    KeyCallback callback;
    std::function<std::optional<std::uint64_t>(std::uint64_t)> tick;
    {
        RelayCapture c(backend, log);
        c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});
        callback = c.CaptureCallback();
        tick = c.TickHook();
        EXPECT_EQ(callback(KeyEvent{1, 0, 192, 41, 100, "ev3"}), kConsumeKey);
    }
    backend.log.clear();
    EXPECT_EQ(callback(KeyEvent{1, 0, 65, 30, 110, "ev3"}), kPassKey);
    EXPECT_FALSE(tick(99999));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Text(), " |  | ");
}

}  // namespace
}  // namespace blenvar
