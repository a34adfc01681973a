#pragma once
// The numbers a backend reports for a physical key: the Windows virtual-key code that key
// has on a US keyboard, whatever layout the desktop uses, so trained start and stop events
// keep matching after a layout change or a change of backend. Keys are named by their
// Linux key code (the evdev code; an X keycode minus 8).
#include <cstdint>

namespace blenvar {

// KeyEvent::State bits. Caps Lock is never part of the state.
inline constexpr std::int32_t kStateShift = 1;
inline constexpr std::int32_t kStateCtrl = 2;
inline constexpr std::int32_t kStateAlt = 4;
inline constexpr std::int32_t kStateMeta = 8;

// Modifiers held just before the event (a Shift press itself reports 0, its release 1).
struct HeldModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool meta = false;
};

std::int32_t StateOf(const HeldModifiers& held);

// 0 for a code no 105-key keyboard has. Keypad keys give digits 96-105 and "." 110 while
// Num Lock is on and Shift is up, otherwise the navigation codes, as Windows reports them.
// Left and right modifiers share the generic codes 16 (Shift), 17 (Ctrl), 18 (Alt).
std::int32_t VirtualKeyOf(std::int32_t scode, bool numLock, bool shift);

// Modifier and lock keys: their presses are not followed by a character event.
bool IsModifierKey(std::int32_t scode);

}  // namespace blenvar
