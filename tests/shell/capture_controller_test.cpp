// The X11 driver: what it asks of the backend (hold, watch), the tray images, and what it
// reports, step by step on a fake clock.
#include "shell/main/capture_controller.h"

#include <gtest/gtest.h>

#include <QTest>
#include <sstream>

#include "shell/fake_capture_backend.h"
#include "support/key_text.h"

namespace blenvar {
namespace {

class LogTray : public TrayImage {
  public:
    explicit LogTray(std::vector<std::string>& log) : log_(log) {}
    void SetTrayImage(int image) override { log_.push_back("tray " + std::to_string(image)); }

  private:
    std::vector<std::string>& log_;
};

using testing::KeyText;

// Runs a script of ';'-separated steps: "key A S V C" (logs "=result"), "at MS", "fire"
// (the deadline timer runs now), "train", "stop", "unplugged" (the backend's notice that
// the scan's device is gone); returns the log joined by ", ".
std::string RunScript(const std::string& script) {
    testing::FakeCaptureBackend backend;
    std::vector<std::string>& log = backend.log;
    LogTray tray(log);
    std::uint64_t now = 0;
    CaptureController c(backend, tray, [&now] { return now; });
    QObject::connect(&c, &CaptureController::scanOpened, [&] { log.push_back("opened"); });
    QObject::connect(&c, &CaptureController::scanCaptured,
                     [&](const QString& raw) { log.push_back("captured " + raw.toStdString()); });
    QObject::connect(&c, &CaptureController::trainingRecorded,
                     [&](int n) { log.push_back("count " + std::to_string(n)); });
    QObject::connect(&c, &CaptureController::trainingFinished, [&](const TrainingOutcome& o) {
        log.push_back(o.Good() ? "trained " + KeyText(*o.start) + " " + KeyText(*o.stop)
                               : "no scan");
    });
    QObject::connect(&c, &CaptureController::notice,
                     [&](const QString& text) { log.push_back("notice " + text.toStdString()); });
    InstallHook(backend, c.CaptureCallback());
    c.UseKeys({1, 0, 192, 41}, {1, 0, 13, 28});  // start "`" press, stop Enter press
    log.clear();

    auto* timer = c.findChild<QTimer*>("CaptureDeadline");
    int fired = 0;
    QObject::connect(timer, &QTimer::timeout, [&fired] { ++fired; });
    std::istringstream steps(script);
    for (std::string step; std::getline(steps, step, ';');) {
        std::istringstream in(step);
        std::string op;
        in >> op;
        if (op == "key") {
            int a, s, v, k;
            in >> a >> s >> v >> k;
            log.push_back("=" + std::to_string(backend.Type(a, s, v, k)));
        } else if (op == "at") {
            in >> now;
        } else if (op == "fire") {
            if (!timer->isActive()) {
                log.push_back("no timer");
                continue;
            }
            const int before = fired;
            timer->start(0);
            EXPECT_TRUE(QTest::qWaitFor([&] { return fired > before; }, 1000));
        } else if (op == "train") {
            c.StartTraining();
        } else if (op == "stop") {
            c.StopTraining();
        } else if (op == "unplugged") {
            c.Notice("gone", true);
        } else {
            ADD_FAILURE() << "unknown step " << op;
        }
    }
    std::string joined;
    for (const std::string& line : log) joined += (joined.empty() ? "" : ", ") + line;
    return joined;
}

// The coordinator decides (the transcripts); here, that the X11 driver holds and lets go
// of the keyboard on its word and runs the deadline timer. A refused start key: on a real
// X server, capture_x11_test.
TEST(CaptureController, HoldsTheKeyboardWhileAScanOrTrainingIsOpenAndRunsTheTimer) {
    const struct {
        const char* name;
        const char* script;
        const char* expected;
    } cases[] = {
        {"the start key's own character is collected; the key after the stop key passes",
         "key 1 0 192 41; key 4 0 192 41; key 1 1 65 30; key 4 1 65 30; key 1 0 13 28;"
         "key 1 0 65 30",
         "hold, opened, tray 2, =2, =2, =2, =2, release, captured `A, tray 3, =2, =0"},
        {"the timer closes a scan at its deadline, not the next key, which passes",
         "at 1000; key 1 0 192 41; at 5999; key 4 0 65 30; fire; at 6000; fire; key 1 0 66 48",
         "hold, opened, tray 2, =2, =2, release, captured a, tray 3, =0"},
        {"training holds from an open scan on, ends by its timer 2 s after the last key, "
         "and capture resumes with the new keys at once",
         "key 1 0 192 41; train; at 100; key 1 1 65 30; key 1 0 13 28; at 2099; fire; at 2100;"
         "fire; key 1 1 65 30",
         "hold, opened, tray 2, =2, tray 1, count 1, =2, count 2, =2, release, tray 1, "
         "watch 1,1,65,30, trained 1,1,65,30 1,0,13,28, hold, opened, tray 2, =2"},
        {"an unplugged scanner closes the open scan; stopped training leaves no timer",
         "key 1 0 192 41; key 4 0 65 30; unplugged; train; stop; fire",
         "hold, opened, tray 2, =2, =2, notice gone, release, captured a, tray 3, hold, tray 1, "
         "release, tray 1, no scan, no timer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunScript(c.script), c.expected);
    }
}

}  // namespace
}  // namespace blenvar
