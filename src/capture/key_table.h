#pragma once
// The numbers a backend reports for a physical key: the Windows virtual-key code that key
// has on a US keyboard, whatever layout the desktop uses, so trained start and stop events
// keep matching after a layout change or a change of backend. Keys are named by their
// Linux key code (the evdev code; an X keycode minus 8).
#include <array>
#include <cstddef>
#include <cstdint>

#include "capture/hook_library.h"

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

// The events every backend reports for one physical key transition, in this order: a
// press gives Action 1 and, unless the key is a modifier or lock, Action 4; a release
// gives Action 2. All of them carry the same State, VCode, SCode and time.
struct KeyReports {
    std::array<KeyEvent, 2> events;
    std::size_t count = 0;
    const KeyEvent* begin() const { return events.data(); }
    const KeyEvent* end() const { return events.data() + count; }
    bool empty() const { return count == 0; }
};

KeyReports ReportKey(std::int32_t scode, bool press, const HeldModifiers& held, bool numLock,
                     std::uint64_t timeMs);

}  // namespace blenvar
