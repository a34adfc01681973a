#pragma once
// A capture backend: the hook calls plus the two things the capture decides and only the
// backend can do, which events it must see, and what happens to our own keystrokes.
#include <functional>
#include <optional>
#include <string>

#include "capture/capture_machine.h"
#include "capture/hook_library.h"
#include "capture/scanner_device.h"

namespace blenvar {

// What a capture backend's notice means for the open scan.
enum class ScanCut {
    Keep,     // it goes on as it is
    Close,    // its device went away or every device was released: what it sent is the scan
    Damaged,  // some of its keys were lost (the kernel dropped events): it is not delivered
};

class CaptureBackend : public HookLibrary {
  public:
    // While idle only the start key's events reach the callback; every other key goes to
    // programs untouched and undelayed. Returns "" or, when the key cannot be watched
    // (another program holds it), a sentence for the user. An untrained key watches nothing.
    virtual std::string WatchStartKey(const TrainedKey& start) = 0;
    // While a scan or training is open every event reaches the callback, one at a time,
    // and nothing reaches programs. Safe to call from inside the callback: the start key's
    // own event is the one that opens the scan.
    virtual void HoldKeyboard(bool hold) = 0;
    // Once, when the desktop connection or the devices are gone; the program then ends
    // cleanly. A backend may call it from its own thread; once a new one (or none) is set,
    // the old one is neither running nor called again.
    virtual void OnLost(std::function<void()> lost) = 0;
    // What was lost, for the user: a sentence without the program's name.
    virtual std::string LostMessage() const = 0;

    // Scanner mode when set: every device that matches the scanner is grabbed, now and
    // whenever one is plugged in, and all its events reach the callback with fromScanner
    // set; no other device is grabbed, delayed or reported, and WatchStartKey is not used.
    // HoldKeyboard(true) then serves training only: it holds every keyboard so the sample
    // is seen whichever device sends it. Unset: the trained start key opens scans (All).
    // Returns "", or why the scanner alone cannot be captured; the backend then stays in
    // All mode.
    virtual std::string UseScanner(const std::optional<ScannerId>& scanner) = 0;
    // Whether a device that matches the scanner is present now.
    virtual bool ScannerPresent() const = 0;
    // The ScannerDevice text of the device an event named in KeyEvent::device; "" when
    // the backend does not tell devices apart or the device is gone.
    virtual std::string ScannerTextOf(const std::string& device) const = 0;
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
    std::string UseScanner(const std::optional<ScannerId>&) override { return {}; }
    bool ScannerPresent() const override { return false; }
    std::string ScannerTextOf(const std::string&) const override { return {}; }
    bool Installed() const { return static_cast<bool>(callback_); }

  private:
    KeyCallback callback_;
};

}  // namespace blenvar
