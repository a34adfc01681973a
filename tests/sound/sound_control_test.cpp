// SoundControl on a real registry store in a private folder, with a recording player.
#include "components/sound/sound_control.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "delivery/argrecord.h"
#include "delivery/delivery_fakes.h"
#include "sound/sound_test_util.h"

namespace blenvar::test {
namespace {

using ::testing::StartsWith;

class SoundControlTest : public SoundFixture {
  protected:
    void SetUp() override {
        SoundFixture::SetUp();
        control_ = std::make_unique<SoundControl>(store_, player_, &starter_, notifier_);
        control_->SetAppTitle("Blenvar");
    }
    SoundControl& S() { return *control_; }
    // Writes straight into the store, as the settings window or another program would.
    void Write(const std::string& section, const RegVariant& value, std::int32_t type = REG_SZ_) {
        cRegistry reg(store_);
        reg.SetClassKey(HKEY_CURRENT_USER_);
        reg.SetSectionKey(std::string(kSoundEventsRoot) + "Blenvar\\" + section);
        reg.SetValueType(type);
        reg.SetValue(value);
    }

    testing::FakeDesktop starter_;
    std::unique_ptr<SoundControl> control_;
};

TEST_F(SoundControlTest, RegisteringKeepsTheUsersChoice) {
    // A cleared current file stays cleared: only an event with neither file is new.
    S().RegisterDefaultSound("EAN 8", "/opt/b/zing.wav");
    S().RegisterCurrentSound("EAN 8", "");
    S().RegisterDefaultSound("EAN 8", "/usr/b/zing.wav");
    EXPECT_EQ(S().CurrentSound("EAN 8"), "");

    // A number read from the store must not turn the next write into a number.
    Write("Ev\\.current", std::int32_t{7}, REG_DWORD_);
    EXPECT_EQ(S().CurrentSound("Ev"), "7");
    S().RegisterCurrentSound("Ev", "/s/b.wav");
    EXPECT_EQ(S().CurrentSound("Ev"), "/s/b.wav");

    EXPECT_NO_THROW(S().UnregisterSound("Never Registered"));
    S().UnregisterSound("ev");  // names compare without regard to case
    EXPECT_EQ(S().CurrentSound("Ev"), "");
    EXPECT_EQ(S().DefaultSound("EAN 8"), "/usr/b/zing.wav");
    S().UnregisterAll();
    EXPECT_EQ(S().DefaultSound("EAN 8"), "");
}

TEST_F(SoundControlTest, PlaysTheTrimmedCurrentFileOnly) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"  /s/a.wav  ", {"once /s/a.wav"}},
        {"   ", {}},
        {nullptr, {}},  // event without a current file
    };
    for (const auto& [stored, expected] : cases) {
        S().UnregisterAll();
        Write("Ev\\.default", std::string("/s/default.wav"));
        if (stored) Write("Ev\\.current", std::string(stored));
        player_.calls.clear();
        S().PlaySound("Ev", false);
        EXPECT_EQ(player_.calls, expected) << (stored ? stored : "(none)");
    }
}

TEST_F(SoundControlTest, MissingTitleRaises) {
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
}

// A damaged file is reported once, by name, and left exactly as it is; a file another
// process holds locked is reported as busy. Either way the defaults registered in this run
// play instead of the user's unreadable choices.
TEST_F(SoundControlTest, DamagedOrBusyStoreIsReportedAndDefaultsStillPlay) {
    const auto start = [&](const std::string& state) {
        RecordingPlayer heard;
        RecordingNotifier told;
        auto store = std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths(), 100);
        SoundControl sound(store, heard, nullptr, told);
        sound.SetAppTitle("Blenvar");
        EXPECT_NO_THROW(RegisterTypeSounds(sound, {"UNKNOWN", "EAN 8"}, "/opt/b")) << state;
        sound.PlaySound("EAN 8", false);
        sound.PlaySound("bad scan", false);
        EXPECT_EQ(heard.calls,
                  (std::vector<std::string>{"once /opt/b/zing.wav", "once /opt/b/buzz.wav"}))
            << state;
        ASSERT_EQ(told.messages.size(), 1u) << state;
        EXPECT_THAT(told.messages[0],
                    StartsWith("The sound settings database " + UserDb() + " is " + state + ": "));
    };
    const auto fill = [&] {
        SoundControl sound(Store(), player_, nullptr, notifier_);
        sound.SetAppTitle("Blenvar");
        RegisterTypeSounds(sound, {"UNKNOWN", "EAN 8"}, "/opt/b");
        sound.ChooseCurrentSound("EAN 8", "/home/u/mine.wav");
    };
    control_.reset();
    store_.reset();
    fill();
    DamageSecondPage(UserDb());
    const std::string damaged = testing::ReadFile(UserDb());
    start("damaged");
    EXPECT_TRUE(testing::ReadFile(UserDb()) == damaged) << "the damaged file was written";
    // Not a file at all: refused before SQLite sees it, and left as it is.
    namespace fs = std::filesystem;
    const std::pair<std::function<void()>, fs::file_type> odd[] = {
        {[&] { fs::create_directory(UserDb()); }, fs::file_type::directory},
        {[&] { mkfifo(UserDb().c_str(), 0600); }, fs::file_type::fifo},
        {[&] { fs::create_symlink("/dev/null", UserDb()); }, fs::file_type::symlink},
        {[&] { fs::create_symlink(UserDb() + ".gone", UserDb()); }, fs::file_type::symlink},
    };
    for (const auto& [make, type] : odd) {
        fs::remove(UserDb());
        make();
        start("damaged");
        EXPECT_EQ(fs::symlink_status(UserDb()).type(), type);
        EXPECT_FALSE(fs::exists(UserDb() + ".gone"));
    }

    std::filesystem::remove(UserDb());
    fill();
    OtherProcessLock lock(UserDb());
    ASSERT_TRUE(lock.Locked());
    start("busy");
}

TEST_F(SoundControlTest, ShowSoundControlPanelStartsTheSettingsProgram) {
    S().SetProgramFolder("/opt/blenvar");
    EXPECT_TRUE(S().ShowSoundControlPanel(nullptr, "EAN 13"));
    using Started = decltype(starter_.started);
    EXPECT_EQ(
        starter_.started,
        (Started{{"/opt/blenvar/blenvar-sounds", {"--title", "Blenvar", "--event", "EAN 13"}}}));

    starter_.startError = "cannot start";
    std::string error;
    EXPECT_FALSE(S().ShowSoundControlPanel(&error));
    EXPECT_EQ(error, "cannot start");
    EXPECT_FALSE(Control().ShowSoundControlPanel());  // no starter
}

// Passes every call on to a real store, counting the writes and those made outside a
// batch, each of which is a commit of its own.
class CountingStore : public RegistryStore {
  public:
    explicit CountingStore(std::shared_ptr<RegistryStore> inner) : in_(std::move(inner)) {}
    RegStatus OpenKey(RegKey p, std::string_view k, std::uint32_t a, RegKey* r) override {
        return in_->OpenKey(p, k, a, r);
    }
    RegStatus CreateKey(RegKey p, std::string_view k, std::uint32_t a, RegKey* r) override {
        Count();
        return in_->CreateKey(p, k, a, r);
    }
    RegStatus CloseKey(RegKey k) override { return in_->CloseKey(k); }
    RegStatus QueryValue(RegKey k, std::string_view n, std::uint32_t* t, std::uint8_t* d,
                         std::uint32_t* s) override {
        return in_->QueryValue(k, n, t, d, s);
    }
    RegStatus SetValue(RegKey k, std::string_view n, std::uint32_t t, const std::uint8_t* d,
                       std::uint32_t s) override {
        Count();
        return in_->SetValue(k, n, t, d, s);
    }
    RegStatus DeleteKey(RegKey p, std::string_view k) override {
        Count();
        return in_->DeleteKey(p, k);
    }
    RegStatus DeleteValue(RegKey k, std::string_view n) override {
        Count();
        return in_->DeleteValue(k, n);
    }
    RegStatus EnumKey(RegKey k, std::uint32_t i, std::string* n) override {
        return in_->EnumKey(k, i, n);
    }
    RegStatus EnumValue(RegKey k, std::uint32_t i, std::string* n) override {
        return in_->EnumValue(k, i, n);
    }
    RegStatus QueryInfoKey(RegKey k, RegKeyInfo* i) override { return in_->QueryInfoKey(k, i); }
    void BeginBatch() override {
        ++depth;
        in_->BeginBatch();
    }
    void EndBatch() override {
        --depth;
        in_->EndBatch();
    }
    RegStoreProblem TakeProblem() override { return in_->TakeProblem(); }

    int depth = 0, writes = 0, unbatched = 0;

  private:
    void Count() {
        ++writes;
        if (depth == 0) ++unbatched;
    }
    std::shared_ptr<RegistryStore> in_;
};

// Many types must not mean a commit apiece, nor writes again at every start, nor the
// loss of a file the user chose.
TEST_F(SoundControlTest, TypeSoundsAreOneBatchAndWrittenOnce) {
    std::vector<std::string> types{"UNKNOWN"};
    for (int i = 0; i < 200; ++i) types.push_back("SHELF " + std::to_string(i));
    auto counting = std::make_shared<CountingStore>(store_);
    std::vector<int> writes;
    for (int start = 0; start < 2; ++start) {
        SoundControl sound(counting, player_, nullptr, notifier_);
        sound.SetAppTitle("Blenvar");
        RegisterTypeSounds(sound, types, "/opt/b");
        writes.push_back(std::exchange(counting->writes, 0));
        if (start == 0) S().ChooseCurrentSound("SHELF 7", "/home/u/chosen.wav");
    }
    EXPECT_EQ(counting->unbatched, 0);
    EXPECT_GT(writes[0], 0);
    EXPECT_EQ(writes[1], 0);
    EXPECT_EQ(S().DefaultSound("SHELF 199"), "/opt/b/zing.wav");
    EXPECT_EQ(S().CurrentSound("SHELF 7"), "/home/u/chosen.wav");
}

}  // namespace
}  // namespace blenvar::test
