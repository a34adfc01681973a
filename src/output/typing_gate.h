#pragma once
// Shared by the capture (UI thread) and the typing thread. It holds typing back while the
// capture holds the keyboard for a scan: keys typed into the hold would reach the capture
// instead of the focused program, and a modifier typing holds would change the scanner's
// keys. And it tells the capture when keys of the device we type through are ours, so
// another program typing through that device (a remote desktop, xdotool) still opens scans.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace blenvar {

class TypingGate {
  public:
    void Close();
    void Open();
    // Returns at once while open; else runs `pausing` (release what is held) and waits.
    void Pass(const std::function<void()>& pausing);

    // Around each delivery's keys; `serverTime`: the X server's time once the last key was
    // taken.
    void BeginTyping();
    void EndTyping(std::uint32_t serverTime);
    // Whether a key of our typing device stamped `serverTime` is ours: typing is under way,
    // or the key is no later than the end of the last typing.
    bool Ours(std::uint32_t serverTime) const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool closed_ = false;
    bool typing_ = false;
    bool typed_ = false;
    std::uint32_t lastEnd_ = 0;
    std::chrono::steady_clock::time_point endedAt_;
};

}  // namespace blenvar
