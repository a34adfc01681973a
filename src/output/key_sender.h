#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output/key_sequence.h"

namespace blenvar {

// Types key strokes into the program that has the keyboard focus. Blocks while it types
// (it may wait for keys the user holds), so it runs on a thread of its own: TypingThread.
class KeySender {
  public:
    virtual ~KeySender() = default;
    // On failure returns false with one English sentence in error; no modifier is left
    // pressed either way. A sequence that cannot be typed types nothing.
    virtual bool Send(const std::vector<KeyAction>& actions, std::string& error) = 0;

    // Work a Send leaves behind (a spare key code to give back), due at this time.
    virtual std::optional<std::chrono::steady_clock::time_point> NextRestoreDeadline() const {
        return std::nullopt;
    }
    virtual void RestoreDue(std::chrono::steady_clock::time_point) {}
};

// What a delivery types through: it never waits for the keys to go out.
class TypingQueue {
  public:
    using Failed = std::function<void(const std::string& error)>;
    virtual ~TypingQueue() = default;
    // Returns at once. The keys go out after those of every earlier call; when they
    // cannot, `failed` runs later on the caller's thread.
    virtual void Type(std::vector<KeyAction> actions, Failed failed) = 0;
};

}  // namespace blenvar
