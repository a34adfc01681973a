#pragma once
// Turns one input device's kernel events into the KeyEvents the X11 backend reports for
// the same physical keys, so a scanner trained on either backend matches on both.
//
// State comes from the modifiers held on this device only: a Shift held on the user's
// keyboard never shifts the scanner's keys. Right Alt counts as Alt, as on a US layout.
// Modifiers and locks do not auto-repeat on X, so their repeats report nothing; other
// repeats report Action 1 and 4 like a press. Codes beyond the X key range (mouse and
// joystick buttons) and every non-key event report nothing: a relay passes them on as
// they are.
//
// Num Lock: a device with a Num Lock LED follows the LED, which the desktop (or the
// console) sets from its own Num Lock state for every keyboard, as X's state does. A
// device without one (most scanners) has its own Num Lock, off at first and toggled by
// its own Num Lock presses.
#include <linux/input.h>

#include <bitset>
#include <cstdint>
#include <span>
#include <string>

#include "capture/key_table.h"

namespace blenvar {

class EvdevTranslator {
  public:
    // device: the text every event carries in KeyEvent::device.
    EvdevTranslator(std::string device, bool hasNumLockLed, bool numLockOn);

    KeyReports Translate(const input_event& ev);

    // After the kernel dropped events (SYN_DROPPED) everything up to the next SYN_REPORT
    // reports nothing; then this is true once, and the caller sets the held keys anew.
    bool TakeResync();

    // Replaces the held keys with a kernel key bitmap (EVIOCGKEY), at opening and after
    // the kernel dropped events (SYN_DROPPED).
    void SetHeldKeys(std::span<const std::uint8_t> keyBits);
    bool AnyKeyHeld() const { return held_.any(); }
    bool NumLock() const { return numLock_; }
    // Backspace, Escape and Enter held together: the fixed way out that releases every
    // grabbed device, whatever capture decides.
    bool WayOutHeld() const;

    static std::uint64_t TimeMs(const input_event& ev);

  private:
    HeldModifiers Modifiers() const;

    std::string device_;
    bool hasNumLockLed_;
    bool numLock_;
    bool dropping_ = false;
    bool resync_ = false;
    std::bitset<KEY_CNT> held_;
};

}  // namespace blenvar
