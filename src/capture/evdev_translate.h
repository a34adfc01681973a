#pragma once
// Turns one input device's kernel events into the KeyEvents the X11 backend reports for
// the same physical keys, so a scanner trained on either backend matches on both.
//
// State comes from the modifiers held on this device only: a Shift held on the user's
// keyboard never shifts the scanner's keys. Which key counts as which modifier is the
// desktop layout's (ModifierKeys), as X reports it: right Alt is Alt on a US layout but
// AltGr, no modifier of the State at all, on most others.
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
#include <utility>
#include <vector>

#include "capture/key_table.h"

namespace blenvar {

// The State bits (kStateShift...) each key sets while it is held.
class ModifierKeys {
  public:
    // Both Shift, Ctrl, Alt and Windows keys: a US layout, and the fallback when the
    // desktop's layout cannot be read.
    static ModifierKeys Us();
    // A key that sets nothing (0) is no modifier.
    void Set(std::uint16_t code, std::int32_t stateBits);
    std::int32_t Of(std::uint16_t code) const;
    // The State while `held` keys are down.
    std::int32_t StateOf(const std::bitset<KEY_CNT>& held) const;

  private:
    std::vector<std::pair<std::uint16_t, std::int32_t>> keys_;
};

class EvdevTranslator {
  public:
    // device: the text every event carries in KeyEvent::device.
    EvdevTranslator(std::string device, bool hasNumLockLed, bool numLockOn,
                    ModifierKeys modifiers = ModifierKeys::Us());

    KeyReports Translate(const input_event& ev);

    // After the kernel dropped events (SYN_DROPPED) everything up to the next SYN_REPORT
    // reports nothing; then this is true once, and the caller sets the held keys anew.
    bool TakeResync();

    // Replaces the held keys with a kernel key bitmap (EVIOCGKEY), at opening and after
    // the kernel dropped events (SYN_DROPPED).
    void SetHeldKeys(std::span<const std::uint8_t> keyBits);
    bool NumLock() const { return numLock_; }
    // Backspace, Escape and Enter held together: the fixed way out that releases every
    // grabbed device, whatever capture decides.
    bool WayOutHeld() const;

    static std::uint64_t TimeMs(const input_event& ev);

  private:
    HeldModifiers Modifiers() const;

    std::string device_;
    ModifierKeys modifiers_;
    bool hasNumLockLed_;
    bool numLock_;
    bool dropping_ = false;
    bool resync_ = false;
    std::bitset<KEY_CNT> held_;
};

}  // namespace blenvar
