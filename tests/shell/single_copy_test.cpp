// The real program as processes: a copy killed outright leaves its lock behind, and the
// next start must still run; a copy that then starts is refused however old the lock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "decode/temp_ini.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SingleCopy : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directory(folder_ + "/config"); }

    // Starts blenvar with its own runtime and config folders; stderr goes to the file `err`.
    pid_t Start(const std::string& err = "/dev/null") {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            ::execl(BLENVAR_BIN, "blenvar", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    // True once a copy answers on the socket (a dead copy's socket file refuses).
    bool Answers() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, (folder_ + "/blenvar.socket").c_str(),
                     sizeof addr.sun_path - 1);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }
    template <class F>
    static bool WaitFor(F done) {
        for (auto end = std::chrono::steady_clock::now() + 15s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(20ms)) {
            if (done()) return true;
        }
        return false;
    }
    static void Stop(pid_t pid, int sig) {
        ::kill(pid, sig);
        ::waitpid(pid, nullptr, 0);
    }

    blenvar::testing::TempIni temp_;  // a private folder (0700), as the runtime folder must be
    const std::string folder_ = temp_.folder();
};

TEST_F(SingleCopy, AKilledCopysLockNeverBlocksALiveCopyIsNeverTakenOverATerminatedOneEnds) {
    const pid_t first = Start();
    ASSERT_TRUE(WaitFor([&] { return Answers(); }));
    Stop(first, SIGKILL);
    const std::string lock = folder_ + "/blenvar.lock";
    ASSERT_TRUE(fs::exists(lock));
    ASSERT_FALSE(Answers());

    const pid_t second = Start();
    ASSERT_TRUE(WaitFor([&] { return Answers(); })) << "the stale lock blocked the start";

    // An old lock of a live copy is still that copy's.
    utimbuf old{std::time(nullptr) - 3600, std::time(nullptr) - 3600};
    ::utime(lock.c_str(), &old);
    const pid_t third = Start(folder_ + "/third.err");
    const bool refused = WaitFor([&] {
        return blenvar::testing::ReadFile(folder_ + "/third.err")
                   .find("Only one copy of this program can run at a time.") != std::string::npos;
    });
    Stop(third, SIGKILL);
    EXPECT_TRUE(refused) << blenvar::testing::ReadFile(folder_ + "/third.err");
    EXPECT_EQ(::waitpid(second, nullptr, WNOHANG), 0) << "the running copy ended";

    // A logout's SIGTERM ends it as Exit does, and its lock goes with it.
    int status = -1;
    ::kill(second, SIGTERM);
    ::waitpid(second, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(lock));
}

}  // namespace
