// The sd-bus side against a stand-in logind on a private bus (no logind runs on the build
// machines or in the VM): finding our session and following its PropertiesChanged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/evdev/logind_session.h"
#include "support/process.h"

namespace blenvar {
namespace {

// A child with its standard input and output on pipes; ended when done.
class Child {
  public:
    explicit Child(const std::vector<std::string>& argv) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        process_.emplace(argv, "", "", "",
                         std::vector<std::pair<int, int>>{{0, in[0]}, {1, out[1]}});
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~Child() {
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        if (process_) process_->Stop(SIGTERM);
    }
    std::string Line(int waitMs) {
        std::string line;
        char c = 0;
        pollfd p{out_, POLLIN, 0};
        while (poll(&p, 1, waitMs) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    void Write(const std::string& s) {
        ASSERT_EQ(write(in_, s.data(), s.size()), ssize_t(s.size()));
    }

  private:
    std::optional<testing::Spawned> process_;
    int in_ = -1;
    int out_ = -1;
};

// Polls the watch until it reports `want` or two seconds pass.
bool Settles(SessionWatch& watch, bool want) {
    for (int i = 0; i < 20; ++i) {
        pollfd p{watch.Fd(), watch.PollEvents(), 0};
        poll(&p, 1, 100);
        watch.Process();
        if (watch.Allowed() == want) return true;
    }
    return false;
}

TEST(LogindBus, FollowsActiveAndLockedHintOfOurSession) {
    Child bus({"dbus-daemon", "--session", "--nofork", "--print-address"});
    const std::string address = bus.Line(5000);
    ASSERT_FALSE(address.empty()) << "dbus-daemon did not start";
    Child logind({"/usr/bin/python3", BLENVAR_LOGIND_STANDIN, address});
    ASSERT_EQ(logind.Line(10000), "ready");
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    setenv("XDG_SESSION_ID", "1", 1);

    std::string why;
    std::shared_ptr<SessionSource> source = ConnectLogindSession(why);
    ASSERT_TRUE(source) << why;
    SessionWatch watch(source);
    EXPECT_TRUE(watch.Allowed());

    const struct {
        const char* activeLocked;
        bool allowed;
        const char* says;
    } steps[] = {
        {"1 1\n", false, "locked"},         {"1 0\n", true, "unlocked"},
        {"0 0\n", false, "not the active"}, {"1 0\n", true, "unlocked"},
        {"0 1\n", false, "not the active"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.activeLocked);
        logind.Write(step.activeLocked);
        EXPECT_TRUE(Settles(watch, step.allowed));
        EXPECT_NE(watch.Describe().find(step.says), std::string::npos) << watch.Describe();
    }

    // Without that session logind still names the caller's ("auto").
    setenv("XDG_SESSION_ID", "no-such-session", 1);
    EXPECT_TRUE(ConnectLogindSession(why)) << why;
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    unsetenv("XDG_SESSION_ID");
}

}  // namespace
}  // namespace blenvar
