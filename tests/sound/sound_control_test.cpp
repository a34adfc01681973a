// SoundControl on a real registry store in a private folder, with a recording player.
#include "components/sound/sound_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/registry/sqlite_registry_store.h"
#include "core/com_error.h"

namespace blenvar {
namespace {

using ::testing::ElementsAre;

struct Call {
    std::string what;  // "play", "stop", "tone"
    std::string file;
    PlayMode mode = PlayMode::Wait;
    int a = 0, b = 0;
    bool operator==(const Call&) const = default;
};

class RecordingPlayer : public SoundPlayer {
  public:
    void Play(const std::string& file, PlayMode mode) override {
        calls.push_back({"play", file, mode});
    }
    void Stop(bool wait) override { calls.push_back({"stop", "", PlayMode::Wait, wait}); }
    void Tone(std::int32_t hz, std::int32_t ms) override {
        calls.push_back({"tone", "", PlayMode::Wait, hz, ms});
    }
    std::vector<Call> calls;
};

class FakeStarter : public ProcessStarter {
  public:
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string& error) override {
        this->program = program;
        this->args = args;
        if (!ok) error = "cannot start";
        return ok;
    }
    bool ok = true;
    std::string program;
    std::vector<std::string> args;
};

class SoundControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/blenvar-sound-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        store_ = std::make_shared<SqliteRegistryStore>(
            SqliteRegistryPaths{dir_ + "/user.sqlite3", dir_ + "/machine.sqlite3", false});
        control_ = std::make_unique<SoundControl>(store_, player_, &starter_);
        control_->SetAppTitle("Blenvar");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    SoundControl& S() { return *control_; }

    // Writes straight into the store, as the settings window or another program would.
    void Store(const std::string& section, const RegVariant& value, std::int32_t type = REG_SZ_) {
        cRegistry reg(store_);
        reg.SetClassKey(HKEY_CURRENT_USER_);
        reg.SetSectionKey(std::string(kSoundEventsRoot) + "Blenvar\\" + section);
        reg.SetValueType(type);
        reg.SetValue(value);
    }

    std::string dir_;
    std::shared_ptr<RegistryStore> store_;
    RecordingPlayer player_;
    FakeStarter starter_;
    std::unique_ptr<SoundControl> control_;
};

TEST_F(SoundControlTest, RegisterDefaultKeepsTheUsersChoice) {
    S().RegisterDefaultSound("EAN 8", "/opt/b/zing.wav");
    EXPECT_EQ(S().CurrentSound("EAN 8"), "/opt/b/zing.wav");
    EXPECT_EQ(S().DefaultSound("EAN 8"), "/opt/b/zing.wav");

    S().RegisterCurrentSound("EAN 8", "/home/u/mine.wav");
    S().RegisterDefaultSound("EAN 8", "/usr/b/zing.wav");
    EXPECT_EQ(S().CurrentSound("EAN 8"), "/home/u/mine.wav");
    EXPECT_EQ(S().DefaultSound("EAN 8"), "/usr/b/zing.wav");

    // A cleared current file stays cleared: only an event with neither file is new.
    S().RegisterCurrentSound("EAN 8", "");
    S().RegisterDefaultSound("EAN 8", "/usr/b/zing.wav");
    EXPECT_EQ(S().CurrentSound("EAN 8"), "");
}

TEST_F(SoundControlTest, PlaysTheTrimmedCurrentFileOnly) {
    struct Case {
        const char* stored;  // null: event without a current file
        std::vector<Call> expected;
    } cases[] = {
        {"  /s/a.wav  ", {{"play", "/s/a.wav", PlayMode::Async}}},
        {"", {}},
        {"   ", {}},
        {nullptr, {}},
    };
    for (const auto& c : cases) {
        S().UnregisterAll();
        Store("Ev\\.default", std::string("/s/default.wav"));
        if (c.stored) Store("Ev\\.current", std::string(c.stored));
        player_.calls.clear();
        S().PlaySound("Ev", false);
        EXPECT_EQ(player_.calls, c.expected) << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(SoundControlTest, WriteAfterReadingANumberStillStoresText) {
    Store("Ev\\.current", std::int32_t{7}, REG_DWORD_);
    EXPECT_EQ(S().CurrentSound("Ev"), "7");
    S().RegisterCurrentSound("Ev", "/s/b.wav");
    EXPECT_EQ(S().CurrentSound("Ev"), "/s/b.wav");
}

TEST_F(SoundControlTest, EnableSwitchesSilenceTheirMembers) {
    S().RegisterDefaultSound("Ev", "/s/e.wav");
    struct Case {
        bool enabled, soundEnabled;
        std::vector<std::string> heard;
    } cases[] = {
        {true, true, {"play", "loop", "tone"}},
        {true, false, {"tone"}},
        {false, true, {"loop"}},
        {false, false, {}},
    };
    for (const auto& c : cases) {
        S().SetEnabled(c.enabled);
        S().SetSoundEnabled(c.soundEnabled);
        player_.calls.clear();
        S().PlaySound("Ev", true);
        S().LoopSound("Ev");
        S().PlayTone(880, 100);
        std::vector<std::string> heard;
        for (const auto& call : player_.calls)
            heard.push_back(call.what == "play" && call.mode == PlayMode::Loop ? "loop"
                                                                               : call.what);
        EXPECT_EQ(heard, c.heard) << c.enabled << c.soundEnabled;
    }
}

TEST_F(SoundControlTest, MissingTitleRaisesExceptWhenDisabled) {
    S().SetAppTitle("");
    const std::vector<std::function<void()>> members = {
        [&] { S().PlaySound("Ev", false); },
        [&] { S().LoopSound("Ev"); },
        [&] { S().RegisterDefaultSound("E", "f"); },
        [&] { S().RegisterCurrentSound("E", "f"); },
        [&] { S().UnregisterSound("E"); },
        [&] { S().UnregisterAll(); },
        [&] { S().CurrentSound("E"); },
        [&] { S().DefaultSound("E"); },
    };
    for (std::size_t i = 0; i < members.size(); ++i) {
        try {
            members[i]();
            ADD_FAILURE() << "member " << i << " raised nothing";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Number(), static_cast<std::int32_t>(0x800403E8u));
            EXPECT_EQ(e.Source(), "SoundControl");
            EXPECT_EQ(e.Description(), "AppTitle not defined");
        }
    }
    S().SetEnabled(false);
    EXPECT_NO_THROW(S().PlaySound("Ev", true));
    EXPECT_NO_THROW(S().PlayTone(440, 10));
    EXPECT_NO_THROW(S().StopSound(true));
}

TEST_F(SoundControlTest, UnregisterRemovesEventsAndToleratesUnknownOnes) {
    EXPECT_NO_THROW(S().UnregisterSound("Never Registered"));
    S().RegisterDefaultSound("A", "/a.wav");
    S().RegisterDefaultSound("B", "/b.wav");
    S().UnregisterSound("a");  // names compare without regard to case
    EXPECT_EQ(S().CurrentSound("A"), "");
    EXPECT_EQ(S().CurrentSound("B"), "/b.wav");
    S().UnregisterAll();
    EXPECT_EQ(S().DefaultSound("B"), "");
}

TEST_F(SoundControlTest, ShowSoundControlPanelStartsTheSettingsProgram) {
    S().SetProgramFolder("/opt/blenvar");
    EXPECT_TRUE(S().ShowSoundControlPanel());
    EXPECT_EQ(starter_.program, "/opt/blenvar/blenvar-sounds");
    EXPECT_THAT(starter_.args, ElementsAre("Blenvar"));

    starter_.ok = false;
    std::string error;
    EXPECT_FALSE(S().ShowSoundControlPanel(&error));
    EXPECT_EQ(error, "cannot start");

    SoundControl noStarter(store_, player_, nullptr);
    EXPECT_FALSE(noStarter.ShowSoundControlPanel());
}

TEST_F(SoundControlTest, TypeSoundsGetTheirFiles) {
    S().RegisterCurrentSound("EAN 13", "/home/u/chosen.wav");
    RegisterTypeSounds(S(), {"UNKNOWN", "EAN 8", "EAN 13", "SHELF LABELS"}, "/opt/b");
    const struct {
        const char* name;
        const char* current;
        const char* def;
    } want[] = {
        {"Bad Scan", "/opt/b/buzz.wav", "/opt/b/buzz.wav"},
        {"EAN 8", "/opt/b/zing.wav", "/opt/b/zing.wav"},
        {"EAN 13", "/home/u/chosen.wav", "/opt/b/zing.wav"},
        {"SHELF LABELS", "/opt/b/zing.wav", "/opt/b/zing.wav"},
        {"UNKNOWN", "/opt/b/boin.wav", "/opt/b/boin.wav"},
    };
    for (const auto& w : want) {
        EXPECT_EQ(S().CurrentSound(w.name), w.current) << w.name;
        EXPECT_EQ(S().DefaultSound(w.name), w.def) << w.name;
    }
}

}  // namespace
}  // namespace blenvar
