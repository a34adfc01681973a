#include "platform/evdev/logind_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <vector>

namespace blenvar {
namespace {

// Hands out the queued states one Process() call at a time; nothing when the queue is empty
// (the bus had nothing new or could not be read).
class FakeSource : public SessionSource {
  public:
    explicit FakeSource(std::deque<std::optional<SessionState>> states)
        : states_(std::move(states)) {}
    int Fd() const override { return 7; }
    short PollEvents() const override { return 1; }
    std::optional<SessionState> Process() override {
        if (states_.empty()) return std::nullopt;
        auto state = states_.front();
        states_.pop_front();
        return state;
    }
    std::string Name() const override { return "fake"; }

  private:
    std::deque<std::optional<SessionState>> states_;
};

constexpr SessionState kActive{true, false};
constexpr SessionState kLocked{true, true};
constexpr SessionState kAway{false, false};
constexpr SessionState kAwayLocked{false, true};

TEST(LogindSession, CaptureOnlyInTheActiveUnlockedSessionEachChangeReportedOnce) {
    // The first state is read when the watch is made; each later one by one Process().
    const struct {
        const char* name;
        std::deque<std::optional<SessionState>> states;
        bool allowedAtStart;
        std::vector<bool> changed;  // per Process() after the start
        std::vector<bool> allowed;
    } cases[] = {
        {"lock then unlock",
         {kActive, kLocked, kLocked, kActive},
         true,
         {true, false, true},
         {false, false, true}},
        {"locked at start", {kLocked, kActive}, false, {true}, {true}},
        {"away and locked at start", {kAwayLocked, kActive}, false, {true}, {true}},
        {"switched away, then back locked, then unlocked",
         {kActive, kAway, kLocked, kActive},
         true,
         {true, false, true},
         {false, false, true}},
        {"unreadable state leaves the last one standing",
         {kActive, kAway, std::nullopt, std::nullopt, kActive},
         true,
         {true, false, false, true},
         {false, false, false, true}},
        {"unreadable from the start: allowed", {std::nullopt, kAway}, true, {true}, {false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionWatch watch(std::make_shared<FakeSource>(c.states));
        EXPECT_EQ(watch.Allowed(), c.allowedAtStart);
        EXPECT_EQ(watch.Fd(), 7);
        for (std::size_t i = 0; i < c.changed.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(watch.Process(), c.changed[i]);
            EXPECT_EQ(watch.Allowed(), c.allowed[i]);
        }
    }
}

TEST(LogindSession, WithoutLogindCaptureStaysOnAndNothingIsPolled) {
    SessionWatch none(nullptr);
    EXPECT_TRUE(none.Allowed());
    EXPECT_EQ(none.Fd(), -1);
    EXPECT_FALSE(none.Process());
    EXPECT_TRUE(none.Allowed());

    // A system bus that is not there (a console kiosk, the test VM) is no error.
    const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string saved = old ? old : "";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/blenvar-test-bus", 1);
    std::string why;
    EXPECT_EQ(ConnectLogindSession(why), nullptr);
    EXPECT_FALSE(why.empty());
    if (old)
        setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
    else
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
}  // namespace blenvar
