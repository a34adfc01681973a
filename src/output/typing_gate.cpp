#include "output/typing_gate.h"

namespace blenvar {
namespace {

// Keys queued behind our last one reach the capture within this; the bound keeps the
// 32-bit server clock from wrapping into a false match.
constexpr std::chrono::seconds kLateKeys{60};

}  // namespace

void TypingGate::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
}

void TypingGate::Open() {
    {
        std::lock_guard lock(mutex_);
        closed_ = false;
    }
    opened_.notify_all();
}

void TypingGate::Pass(const std::function<void()>& pausing) {
    std::unique_lock lock(mutex_);
    if (!closed_) return;
    lock.unlock();
    pausing();
    lock.lock();
    opened_.wait(lock, [this] { return !closed_; });
}

void TypingGate::BeginTyping() {
    std::lock_guard lock(mutex_);
    typing_ = true;
}

void TypingGate::EndTyping(std::uint32_t serverTime) {
    std::lock_guard lock(mutex_);
    typing_ = false;
    typed_ = true;
    lastEnd_ = serverTime;
    endedAt_ = std::chrono::steady_clock::now();
}

bool TypingGate::Ours(std::uint32_t serverTime) const {
    std::lock_guard lock(mutex_);
    if (typing_) return true;
    return typed_ && std::chrono::steady_clock::now() - endedAt_ < kLateKeys &&
           std::int32_t(serverTime - lastEnd_) <= 0;
}

}  // namespace blenvar
