// blenvar-sounds' window on the offscreen platform: its actions reach the store.
#include "shell/sounds/sound_events_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTableWidget>
#include <filesystem>

#include "components/registry/sqlite_registry_store.h"

namespace blenvar {
namespace {

class SilentPlayer : public SoundPlayer {
  public:
    void Play(const std::string& file, PlayMode) override { played.push_back(file); }
    void Stop(bool) override {}
    void Tone(std::int32_t, std::int32_t) override {}
    std::vector<std::string> played;
};

class SoundEventsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/blenvar-sounds-win-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        store_ = std::make_shared<SqliteRegistryStore>(
            SqliteRegistryPaths{dir_ + "/user.sqlite3", dir_ + "/machine.sqlite3", false});
        SoundControl sound(store_, player_, nullptr);
        sound.SetAppTitle("Blenvar");
        RegisterTypeSounds(sound, {"UNKNOWN", "EAN 8"}, "/opt/b");
        sound.SetAppTitle("Other");
        sound.RegisterDefaultSound("Elsewhere", "/x.wav");
        window_ = std::make_unique<SoundEventsWindow>("Blenvar", store_, player_);
    }
    void TearDown() override {
        window_.reset();
        std::filesystem::remove_all(dir_);
    }
    // What a fresh reader of the store sees.
    std::string Current(const std::string& event) {
        SoundControl sound(store_, player_, nullptr);
        sound.SetAppTitle("Blenvar");
        return sound.CurrentSound(event);
    }

    std::string dir_;
    std::shared_ptr<RegistryStore> store_;
    SilentPlayer player_;
    std::unique_ptr<SoundEventsWindow> window_;
};

TEST_F(SoundEventsWindowTest, ListsOnlyTheTitlesEventsWithTheirFiles) {
    EXPECT_EQ(window_->Events(), (QStringList{"Bad Scan", "EAN 8", "UNKNOWN"}));
    const QTableWidget* t = window_->Table();
    ASSERT_EQ(t->rowCount(), 3);
    EXPECT_EQ(t->item(0, 1)->text(), "/opt/b/buzz.wav");
    EXPECT_EQ(t->item(2, 2)->text(), "/opt/b/boin.wav");
}

TEST_F(SoundEventsWindowTest, ChooseResetAndClearChangeTheCurrentFile) {
    ASSERT_TRUE(window_->ChooseFile("EAN 8", "/home/u/ding.ogg"));
    EXPECT_EQ(Current("EAN 8"), "/home/u/ding.ogg");
    EXPECT_EQ(window_->Table()->item(1, 1)->text(), "/home/u/ding.ogg");

    ASSERT_TRUE(window_->ResetToDefault("EAN 8"));
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");

    ASSERT_TRUE(window_->ClearSound("EAN 8"));
    EXPECT_EQ(Current("EAN 8"), "");
    window_->PlayEvent("EAN 8");
    EXPECT_TRUE(player_.played.empty()) << "a cleared event must stay silent";

    window_->PlayEvent("UNKNOWN");
    EXPECT_EQ(player_.played, std::vector<std::string>{"/opt/b/boin.wav"});
}

TEST_F(SoundEventsWindowTest, RefusesUnknownEventsAndEmptyChoices) {
    EXPECT_FALSE(window_->ChooseFile("Elsewhere", "/y.wav"));
    EXPECT_FALSE(window_->LastError().isEmpty());
    EXPECT_FALSE(window_->ChooseFile("EAN 8", "  "));
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");
}

}  // namespace
}  // namespace blenvar

int main(int argc, char** argv) {
    // Test discovery runs the binary without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
