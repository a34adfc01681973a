#pragma once
// Lets the keyboard capture tell the sender's own keystrokes from a scanner's.
//
// The sender calls BeginTyping() before its first key and EndTyping() after the
// final sync, with the X server times read just before the first and just
// after the last key. The capture usually sees the grabbed events only after
// Send has returned (same thread), so it asks IsSynthetic(event time): true for
// an event the server stamped inside one of the recent typing spans. Typing()
// covers a capture running on another thread while keys are going out.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace blenvar {

class SyntheticKeyGuard {
  public:
    void BeginTyping();
    void EndTyping(std::uint32_t firstServerTime, std::uint32_t lastServerTime);

    bool Typing() const;
    // X server times wrap after 49.7 days; spans are compared modulo 2^32.
    bool IsSynthetic(std::uint32_t serverTime) const;

  private:
    struct Span {
        std::uint32_t first = 0;
        std::uint32_t length = 0;
        bool used = false;
    };
    static constexpr std::size_t kSpans = 8;

    mutable std::mutex mutex_;
    int typing_ = 0;
    std::array<Span, kSpans> spans_{};
    std::size_t next_ = 0;
};

}  // namespace blenvar
