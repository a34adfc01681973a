#pragma once
// A capture backend: the hook calls plus the two things the capture decides and only the
// backend can do, which events it must see, and what happens to our own keystrokes.
#include <functional>
#include <string>

#include "capture/capture_machine.h"
#include "capture/hook_library.h"

namespace blenvar {

class CaptureBackend : public HookLibrary {
  public:
    // The start-up options choose between ways of hooking that only one platform has;
    // backends here have a single way, so they accept and ignore them.
    void UseSendMessage(int) override {}
    void SetGlobalParams(int, int) override {}
    void NoLLHook(int) override {}
    void NoTL(int) override {}

    // While idle only the start key's events reach the callback; every other key goes to
    // programs untouched and undelayed. Returns "" or, when the key cannot be watched
    // (another program holds it), a sentence for the user. An untrained key watches nothing.
    virtual std::string WatchStartKey(const TrainedKey& start) = 0;
    // While a scan or training is open every event reaches the callback, one at a time,
    // and nothing reaches programs. Safe to call from inside the callback: the start key's
    // own event is the one that opens the scan.
    virtual void HoldKeyboard(bool hold) = 0;
    // Once, when the desktop connection or the devices are gone; the program then ends
    // cleanly.
    virtual void OnLost(std::function<void()> lost) = 0;
    // What was lost, for the user: a sentence without the program's name.
    virtual std::string LostMessage() const = 0;
};

// Used where no capture backend exists: accepts every call and reports no events.
class NullHookLibrary : public CaptureBackend {
  public:
    void SetKeyboardHook(int install, int, KeyCallback callback) override {
        callback_ = install ? std::move(callback) : KeyCallback{};
    }
    std::string WatchStartKey(const TrainedKey&) override { return {}; }
    void HoldKeyboard(bool) override {}
    void OnLost(std::function<void()>) override {}
    std::string LostMessage() const override { return {}; }
    bool Installed() const { return static_cast<bool>(callback_); }

  private:
    KeyCallback callback_;
};

}  // namespace blenvar
