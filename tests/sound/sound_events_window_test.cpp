// blenvar-sounds' window on the offscreen platform: its actions reach the store.
#include "shell/sounds/sound_events_window.h"

#include <QApplication>
#include <QTableWidget>

#include "sound/sound_test_util.h"

namespace blenvar::test {
namespace {

class SoundEventsWindowTest : public SoundFixture {
  protected:
    void SetUp() override {
        SoundFixture::SetUp();
        auto sound = Control();
        RegisterTypeSounds(sound, {"UNKNOWN", "EAN 8"}, "/opt/b");
        Control("Other").RegisterDefaultSound("Elsewhere", "/x.wav");
        window_ = std::make_unique<SoundEventsWindow>("Blenvar", store_, player_);
    }
    std::string Current(const std::string& event) { return Control().CurrentSound(event); }

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
    EXPECT_TRUE(player_.calls.empty()) << "a cleared event must stay silent";

    window_->PlayEvent("UNKNOWN");
    EXPECT_EQ(player_.calls, std::vector<std::string>{"async /opt/b/boin.wav"});
}

TEST_F(SoundEventsWindowTest, RefusesUnknownEventsAndEmptyChoices) {
    EXPECT_FALSE(window_->ChooseFile("Elsewhere", "/y.wav"));
    EXPECT_FALSE(window_->LastError().isEmpty());
    EXPECT_FALSE(window_->ChooseFile("EAN 8", "  "));
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");
}

}  // namespace
}  // namespace blenvar::test

int main(int argc, char** argv) {
    // Test discovery runs the binary without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
