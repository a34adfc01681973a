#include "capture/key_table.h"

#include <array>

namespace blenvar {
namespace {

struct Key {
    std::uint8_t vcode = 0;
    std::uint8_t numLockOff = 0;  // keypad keys only: the navigation code
    bool modifier = false;
};

constexpr std::size_t kCodes = 256;

constexpr std::array<Key, kCodes> BuildTable() {
    std::array<Key, kCodes> t{};
    const auto set = [&t](int code, int vcode) {
        t[std::size_t(code)].vcode = std::uint8_t(vcode);
    };
    const auto modifier = [&t](int code, int vcode) {
        t[std::size_t(code)] = Key{std::uint8_t(vcode), 0, true};
    };
    const auto keypad = [&t](int code, int on, int off) {
        t[std::size_t(code)] = Key{std::uint8_t(on), std::uint8_t(off), false};
    };
    // Rows of the main block, by Linux key code.
    set(1, 27);  // Escape
    constexpr char kDigits[] = "1234567890";
    for (int i = 0; i < 10; ++i) set(2 + i, kDigits[i]);
    set(12, 189), set(13, 187), set(14, 8), set(15, 9);
    constexpr char kTop[] = "QWERTYUIOP", kHome[] = "ASDFGHJKL", kBottom[] = "ZXCVBNM";
    for (int i = 0; i < 10; ++i) set(16 + i, kTop[i]);
    set(26, 219), set(27, 221), set(28, 13);
    for (int i = 0; i < 9; ++i) set(30 + i, kHome[i]);
    set(39, 186), set(40, 222), set(41, 192), set(43, 220);
    for (int i = 0; i < 7; ++i) set(44 + i, kBottom[i]);
    set(51, 188), set(52, 190), set(53, 191), set(57, 32);
    set(86, 226);  // the ISO key between left Shift and Z
    // Function keys.
    for (int i = 0; i < 10; ++i) set(59 + i, 112 + i);   // F1-F10
    set(87, 122), set(88, 123);                          // F11, F12
    for (int i = 0; i < 12; ++i) set(183 + i, 124 + i);  // F13-F24
    // Modifiers and locks.
    modifier(42, 16), modifier(54, 16);    // Shift
    modifier(29, 17), modifier(97, 17);    // Ctrl
    modifier(56, 18), modifier(100, 18);   // Alt, AltGr
    modifier(125, 91), modifier(126, 92);  // Meta (Windows keys)
    modifier(58, 20), modifier(69, 144), modifier(70, 145);
    set(127, 93);  // Menu
    set(99, 44);   // Print Screen
    set(119, 19);  // Pause
    // Navigation block.
    set(102, 36), set(103, 38), set(104, 33), set(105, 37);
    set(106, 39), set(107, 35), set(108, 40), set(109, 34);
    set(110, 45), set(111, 46);
    // Keypad.
    keypad(71, 103, 36), keypad(72, 104, 38), keypad(73, 105, 33);
    keypad(75, 100, 37), keypad(76, 101, 12), keypad(77, 102, 39);
    keypad(79, 97, 35), keypad(80, 98, 40), keypad(81, 99, 34);
    keypad(82, 96, 45), keypad(83, 110, 46);
    set(55, 106), set(78, 107), set(74, 109), set(98, 111);
    set(96, 13);  // keypad Enter
    return t;
}

constexpr std::array<Key, kCodes> kTable = BuildTable();

}  // namespace

std::int32_t StateOf(const HeldModifiers& held) {
    return (held.shift ? kStateShift : 0) | (held.ctrl ? kStateCtrl : 0) |
           (held.alt ? kStateAlt : 0) | (held.meta ? kStateMeta : 0);
}

std::int32_t VirtualKeyOf(std::int32_t scode, bool numLock, bool shift) {
    if (scode < 0 || scode >= std::int32_t(kCodes)) return 0;
    const Key& key = kTable[std::size_t(scode)];
    if (key.numLockOff != 0 && !(numLock && !shift)) return key.numLockOff;
    return key.vcode;
}

bool IsModifierKey(std::int32_t scode) {
    return scode >= 0 && scode < std::int32_t(kCodes) && kTable[std::size_t(scode)].modifier;
}

KeyReports ReportKey(std::int32_t scode, bool press, const HeldModifiers& held, bool numLock,
                     std::uint64_t timeMs) {
    KeyEvent e;
    e.State = StateOf(held);
    e.VCode = VirtualKeyOf(scode, numLock, held.shift);
    e.SCode = scode;
    e.timeMs = timeMs;
    KeyReports r;
    const auto add = [&](std::int32_t action) {
        e.Action = action;
        r.events[r.count++] = e;
    };
    if (!press) {
        add(kActionRelease);
    } else {
        add(kActionPress);
        if (!IsModifierKey(scode)) add(kActionCharacter);
    }
    return r;
}

}  // namespace blenvar
