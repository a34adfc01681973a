#include "keys/probe_session.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace blenvar::test {
namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
}  // namespace

ProbeSession::~ProbeSession() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

bool ProbeSession::Start(const std::string& probePath, std::string& error) {
    char pattern[] = "/tmp/blenvar-keyprobe.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = "cannot create a temporary folder";
        return false;
    }
    dir_ = pattern;
    outPath_ = dir_ + "/keys.txt";
    const std::string ready = dir_ + "/ready";
    std::ofstream(outPath_).close();
    const char* argv[] = {probePath.c_str(), outPath_.c_str(), ready.c_str(), nullptr};
    if (posix_spawn(&pid_, probePath.c_str(), nullptr, nullptr, const_cast<char**>(argv),
                    environ) != 0) {
        pid_ = -1;
        error = "cannot start " + probePath;
        return false;
    }
    for (const auto deadline = Clock::now() + std::chrono::seconds(10); Clock::now() < deadline;) {
        if (std::filesystem::exists(ready)) return true;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            error = "the probe window ended before it had the focus";
            return false;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    error = "the probe window never got the keyboard focus";
    return false;
}

std::size_t ProbeSession::Size() const {
    std::error_code ec;
    const auto size = std::filesystem::file_size(outPath_, ec);
    return ec ? 0 : std::size_t(size);
}

std::string ProbeSession::ReadSince(std::size_t from, std::size_t bytes, int timeoutMs,
                                    int quietMs) const {
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    while (Size() < from + bytes && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    // Anything extra would show up now.
    std::size_t size, now = Size();
    do {
        size = now;
        std::this_thread::sleep_for(milliseconds(quietMs));
    } while ((now = Size()) != size);
    std::ifstream in(outPath_, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), {}};
    return all.size() > from ? all.substr(from) : std::string();
}

}  // namespace blenvar::test
