// What the window does on each event, with and without a tray on the desktop.
#include "shell/main/tray_policy.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

using A = WindowAction;

TEST(TrayPolicy, NeverHidesWithoutATray) {
    const struct {
        bool tray;
        bool single;  // D-Bus tray: one activation per click
        A minimised, hideButton, trained, single_click, double_click, right, middle;
    } cases[] = {
        {true, false, A::Hide, A::Hide, A::Hide, A::None, A::Show, A::Show, A::None},
        {true, true, A::Hide, A::Hide, A::Hide, A::Show, A::Show, A::Show, A::None},
        {false, false, A::None, A::Minimise, A::Minimise, A::None, A::Show, A::Show, A::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tray " << c.tray << " single " << c.single);
        TrayPolicy p([&] { return c.tray; }, c.single);
        EXPECT_EQ(p.OnMinimised(), c.minimised);
        EXPECT_EQ(p.OnHideButton(), c.hideButton);
        EXPECT_EQ(p.OnStartedTrained(), c.trained);
        EXPECT_EQ(p.OnTrayClick(TrayClick::Single), c.single_click);
        EXPECT_EQ(p.OnTrayClick(TrayClick::Double), c.double_click);
        EXPECT_EQ(p.OnTrayClick(TrayClick::Right), c.right);
        EXPECT_EQ(p.OnTrayClick(TrayClick::Middle), c.middle);
        EXPECT_EQ(p.OnClose(), A::Quit);
        EXPECT_EQ(p.MessagesToTray(), c.tray);
    }
}

TEST(TrayPolicy, SaysOnceThatNoTrayIsThereAndFollowsATrayThatComesLater) {
    bool tray = false;
    TrayPolicy p([&] { return tray; });
    EXPECT_TRUE(p.TakeNoTrayNotice());
    EXPECT_FALSE(p.TakeNoTrayNotice());
    EXPECT_EQ(p.OnHideButton(), A::Minimise);
    tray = true;
    EXPECT_FALSE(p.TakeNoTrayNotice());
    EXPECT_EQ(p.OnHideButton(), A::Hide);
}

// A trained start without a tray goes to the tray that comes later, unless the user has
// brought the window up meanwhile.
TEST(TrayPolicy, ATrainedStartHidesToATrayThatComesLater) {
    for (const bool shown : {false, true}) {
        bool tray = false;
        TrayPolicy p([&] { return tray; });
        EXPECT_EQ(p.OnStartedTrained(), A::Minimise);
        EXPECT_EQ(p.OnTrayCame(), A::None);  // not yet
        if (shown) p.OnShown();
        tray = true;
        EXPECT_EQ(p.OnTrayCame(), shown ? A::None : A::Hide) << shown;
        EXPECT_EQ(p.OnTrayCame(), A::None);
    }
}

}  // namespace
}  // namespace blenvar
