#pragma once
// Capture from the kernel's input devices. A relay thread polls the grabbed devices, the
// /dev/input watch and a wake pipe. Every key event of a grabbed device is translated
// (EvdevTranslator) and handed to the callback ON THE RELAY THREAD, never on a UI thread:
// in All mode every key of the desktop passes through here, so a busy window must not
// stall the keyboard. Callers post to their UI thread themselves. What the callback
// passes, and every event that makes no report (SYN, MSC, buttons), goes out again
// through our virtual keyboard, in the order read.
//
// Scanner mode grabs only the devices that match the trained scanner, and their events
// reach the callback with fromScanner set, so the user's keyboard is never touched; All
// mode grabs every keyboard but our own. A device is grabbed only while none of its keys
// is down (retried until then), hot-plugged devices are picked up, and an unplugged one
// is dropped with a notice. Backspace+Escape+Enter held on a grabbed device releases every
// device for the rest of the run. While the login session is not the active one or its
// screen is locked (logind tells), every device is released and none is grabbed.
//
// The callback sees every event of a grabbed device, so WatchStartKey never fails, and
// HoldKeyboard matters only in Scanner mode (where only training holds): it grabs every
// keyboard meanwhile, so the sample is seen whichever device sends it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/capture_backend.h"
#include "capture/evdev_translate.h"
#include "capture/input_devices.h"
#include "platform/evdev/evdev_uinput.h"
#include "platform/evdev/logind_session.h"

namespace blenvar {

struct EvdevCaptureSetup {
    CaptureDevices mode = CaptureDevices::All;
    std::optional<ScannerId> scanner;
    // Which keys are Shift, Ctrl, Alt and Meta on the desktop's layout (CaptureModifiersFor),
    // so the State matches what X reports for the same keys.
    ModifierKeys modifiers = ModifierKeys::Us();
    std::string inputFolder = "/dev/input";
    std::string uinputPath = kUinputPath;
    // The login session to follow (ConnectLogindSession()); null where no logind runs:
    // capture then stays on. Used on the relay thread only once started.
    std::shared_ptr<SessionSource> session;
};

class EvdevCapture : public CaptureBackend {
  public:
    // Creates the virtual keyboard and starts the relay. Null with `error` set when the
    // virtual keyboard cannot be made or /dev/input cannot be read; `accessDenied` tells
    // that missing rights were the reason (show InputAccessMessage()).
    static std::unique_ptr<EvdevCapture> Start(const EvdevCaptureSetup& setup, std::string& error,
                                               bool& accessDenied);
    // Stops the relay, releases every device and any key our virtual keyboard holds down.
    ~EvdevCapture() override;
    EvdevCapture(const EvdevCapture&) = delete;
    EvdevCapture& operator=(const EvdevCapture&) = delete;

    void SetKeyboardHook(int install, int param, KeyCallback callback) override;
    std::string WatchStartKey(const TrainedKey& start) override;
    void HoldKeyboard(bool hold) override;
    void OnLost(std::function<void()> lost) override;
    std::string LostMessage() const override { return "the input devices cannot be read any more"; }
    // Taken up by the relay at once; training's HoldKeyboard grabs every keyboard until
    // released, then Scanner mode goes back to the scanner alone.
    std::string UseScanner(const std::optional<ScannerId>& scanner) override;
    bool ScannerPresent() const override;
    // `device` is the event's device path.
    std::string ScannerTextOf(const std::string& device) const override;

    // Called on the relay thread, with MonotonicMs(), whenever it wakes; returns
    // the next deadline (same clock) or nothing. The relay wakes at that deadline, so a
    // capture machine's Tick can run there. Set it before events matter (at start).
    using TickHook = std::function<std::optional<std::uint64_t>(std::uint64_t nowMs)>;
    void SetTickHook(TickHook tick);
    // A device went away, the way out released everything or the session was left or
    // locked (`scanBroken`: an open scan must close now), capture came back, or a device
    // could not be grabbed. Called on the relay thread.
    using NoticeHook = std::function<void(const std::string& message, ScanCut cut)>;
    void SetNoticeHook(NoticeHook notice);

    // Paths of the devices grabbed now (for tests and the status line).
    std::size_t GrabbedCount() const;

  private:
    EvdevCapture();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace blenvar
