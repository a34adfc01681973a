// Start-up and unload order against a host and a hook that write one shared log.
#include "shell/main/startup.h"

#include <gtest/gtest.h>

#include "decode/temp_ini.h"

namespace blenvar {
namespace {

using Log = std::vector<std::string>;

class RecordingHook : public HookLibrary {
  public:
    explicit RecordingHook(Log& log) : log_(log) {}
    void SetKeyboardHook(int install, int param, KeyCallback cb) override {
        Add(cb ? "SetKeyboardHook+cb" : "SetKeyboardHook", {install, param});
        callback = std::move(cb);
    }
    KeyCallback callback;

  private:
    void Add(std::string name, std::initializer_list<int> args) {
        for (int a : args) name += " " + std::to_string(a);
        log_.push_back(name);
    }
    Log& log_;
};

// Logs only the steps whose order matters: the loading flag around the hook, and what the
// timer shows; the other steps are the host's own work.
class RecordingHost : public StartupHost {
  public:
    explicit RecordingHost(Log& log) : log_(log) {}
    void LoadHelpPages() override {}
    void CollectTabNames() override {}
    void LoadTypes() override {}
    void FitToContents() override {}
    void SelectTab(int i) override { log_.push_back("tab " + std::to_string(i)); }
    void LoadSelectedType() override {}
    void AddTrayIcon() override {}
    void SetTitle(const std::string&) override {}
    void StartStartupTimer() override { log_.push_back("timer"); }
    void SetLoading(bool on) override { log_.push_back(on ? "loading" : "loaded"); }
    void SetTrayImage(int) override {}
    void RestoreEncoding() override {}
    void ShowTrainingPrompt() override { log_.push_back("prompt"); }
    void ShowWindow() override { log_.push_back("show"); }
    void HideToTray() override { log_.push_back("hide"); }
    void UseTrainedKeys(const TrainedKeys&) override { log_.push_back("keys"); }
    // Deferred like the event loop would: runs when the test says so.
    void AfterPendingEvents(std::function<void()> then) override {
        log_.push_back("defer");
        pending = std::move(then);
    }
    std::function<void()> pending;

  private:
    Log& log_;
};

// Startup over a settings file holding `ini`, with a host and a hook writing one log.
struct Rig {
    explicit Rig(const std::string& ini = "") : file(ini) { settings.SetFileName(file.path()); }
    Log log;
    RecordingHook hook{log};
    RecordingHost host{log};
    testing::TempIni file;
    INIFile settings;
    Startup startup{host, hook, settings, [](const KeyEvent&) { return kConsumeKey; }};
};

// Keys are captured only once the window is built: the hook waits for the timer.
TEST(Startup, LoadInstallsNothingBeforeTheTimer) {
    Rig rig;
    rig.startup.Load(WindowTitle(1, 5, 12));
    EXPECT_EQ(rig.log, (Log{"tab 0", "timer"}));
    EXPECT_EQ(WindowTitle(1, 5, 12), "Blenvar - v1.5.12");
}

// Nothing is saved while loading: the flag is up before the hook and drops only after the
// queued events. The start event alone decides whether to prompt: a trained stop key
// without a start key is untrained.
TEST(Startup, TimerInstallsCaptureThenPromptsOrHidesByTheStartKey) {
    const Log opened{"loading", "SetKeyboardHook+cb -1 1", "keys"};
    const Log untrained{"tab 3", "prompt", "show", "defer"}, trained{"hide", "defer"};
    const struct {
        const char* file;
        const Log& then;
        TrainedKey start;
    } cases[] = {
        {"", untrained, {}},
        {"[Setup]\nStop_Action=4\nStop_VCode=13\nStart_VCode=abc\n", untrained, {}},
        {"[Setup]\nStart_Action=4\n", trained, {4, 0, 0, 0}},
        {"[setup]\nStart_SCode=28x\nStart_State= 2\n", trained, {0, 2, 0, 28}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Rig rig(c.file);
        rig.startup.OnStartupTimer();
        Log expected = opened;
        expected.insert(expected.end(), c.then.begin(), c.then.end());
        EXPECT_EQ(rig.log, expected);
        EXPECT_EQ(rig.startup.Keys().start, c.start);
        ASSERT_TRUE(rig.hook.callback);
        EXPECT_EQ(rig.hook.callback(KeyEvent{4, 0, 13, 28, 0, "kbd"}), kConsumeKey);

        rig.log.clear();
        rig.host.pending();
        rig.startup.Unload();
        EXPECT_EQ(rig.log, (Log{"loaded", "SetKeyboardHook 0 0"}));
        EXPECT_FALSE(rig.hook.callback);
    }
}

}  // namespace
}  // namespace blenvar
