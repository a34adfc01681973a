#include "keys/probe_session.h"

#include <filesystem>

#include "support/process.h"

namespace blenvar::test {
namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
}  // namespace

ProbeSession::ProbeSession() : dir_(std::make_unique<testing::TempIni>()) {}
ProbeSession::~ProbeSession() = default;

bool ProbeSession::Start(const std::string& probePath, std::string& error) {
    outPath_ = dir_->folder() + "/keys.txt";
    const std::string ready = dir_->folder() + "/ready";
    std::ofstream(outPath_).close();
    probe_ = std::make_unique<testing::Spawned>(
        std::vector<std::string>{probePath, outPath_, ready}, "/dev/null", "", "");
    for (const auto deadline = Clock::now() + std::chrono::seconds(10); Clock::now() < deadline;) {
        if (std::filesystem::exists(ready)) return true;
        if (probe_->Ended()) break;
        std::this_thread::sleep_for(milliseconds(20));
    }
    error = probePath + (probe_->Ended() ? " ended" : " never got") + " the keyboard focus";
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
    const std::string all = testing::ReadFile(outPath_);
    return all.size() > from ? all.substr(from) : std::string();
}

}  // namespace blenvar::test
