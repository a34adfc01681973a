// blenvar-sounds' window on the offscreen platform: its actions reach the store.
#include "shell/sounds/sound_events_window.h"

#include <QApplication>
#include <QPushButton>
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

TEST_F(SoundEventsWindowTest, ListsOnlyTheTitlesEventsAndChangesNoOther) {
    EXPECT_EQ(window_->Events(), (QStringList{"Bad Scan", "EAN 8", "UNKNOWN"}));
    const QTableWidget* t = window_->Table();
    ASSERT_EQ(t->rowCount(), 3);
    EXPECT_EQ(t->item(0, 1)->text(), "/opt/b/buzz.wav");
    EXPECT_EQ(t->item(2, 2)->text(), "/opt/b/boin.wav");
    EXPECT_FALSE(window_->ChooseFile("Elsewhere", "/y.wav"));
    EXPECT_FALSE(window_->LastError().isEmpty());
    EXPECT_FALSE(window_->ChooseFile("EAN 8", "  "));
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");
    // Opened on the type being edited; a title without events offers only Close.
    window_->SelectEvent("ean 8");
    EXPECT_EQ(t->selectionModel()->selectedRows().value(0).row(), 1);
    SoundEventsWindow empty("Nobody", store_, player_);
    for (const QPushButton* b : empty.findChildren<QPushButton*>())
        EXPECT_EQ(b->isEnabled(), b->text() == "Close") << b->text().toStdString();
}

TEST_F(SoundEventsWindowTest, ChooseResetAndClearChangeTheCurrentFile) {
    // A "%" in a chosen file's name is part of the name, not an environment reference.
    const std::string chosen = "/home/u/my%HOME%ding.ogg";
    ASSERT_TRUE(window_->ChooseFile("EAN 8", QString::fromStdString(chosen)));
    EXPECT_EQ(Current("EAN 8"), chosen);
    EXPECT_EQ(window_->Table()->item(1, 1)->text().toStdString(), chosen);
    window_->PlayEvent("EAN 8");
    EXPECT_EQ(player_.calls, std::vector<std::string>{"once " + chosen});
    player_.calls.clear();

    ASSERT_TRUE(window_->ResetToDefault("EAN 8"));
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");

    ASSERT_TRUE(window_->ClearSound("EAN 8"));
    EXPECT_EQ(Current("EAN 8"), "");
    window_->PlayEvent("EAN 8");
    EXPECT_TRUE(player_.calls.empty()) << "a cleared event must stay silent";

    window_->PlayEvent("UNKNOWN");
    EXPECT_EQ(player_.calls, std::vector<std::string>{"once /opt/b/boin.wav"});
}

// A write that the store can't make is reported, and so is the store's own trouble; a
// damaged store is not taken for one without events.
TEST_F(SoundEventsWindowTest, StoreTroubleIsReported) {
    const auto said = [](const SoundEventsWindow& w) {
        return w.StoreMessage().left(w.StoreMessage().indexOf(':')).toStdString();
    };
    {
        SoundEventsWindow window(
            "Blenvar", std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths(), 50), player_);
        OtherProcessLock lock(UserDb());
        ASSERT_TRUE(lock.Locked());
        EXPECT_FALSE(window.ChooseFile("EAN 8", "/home/u/ding.ogg"));
        EXPECT_EQ(window.LastError(), "The sound settings could not be saved.");
        EXPECT_EQ(said(window), "The sound settings database " + UserDb() + " is busy");
    }
    EXPECT_EQ(Current("EAN 8"), "/opt/b/zing.wav");

    window_.reset();
    store_.reset();  // the last connection: everything is in the file itself now
    DamageSecondPage(UserDb());
    SoundEventsWindow damaged("Blenvar", Store(), player_);
    EXPECT_TRUE(damaged.Events().isEmpty());
    EXPECT_EQ(said(damaged), "The sound settings database " + UserDb() + " is damaged");
}

}  // namespace
}  // namespace blenvar::test
