#pragma once
// The character a key event types, on a fixed US layout: scanners are trained and read
// the same way whatever layout the desktop uses.
#include <cstdint>
#include <string>

namespace blenvar {

// "" for keys that type nothing (keypad, Enter, Tab, function keys) and for any State
// other than 0 (none) or 1 (Shift).
std::string KeyToChar(std::uint8_t state, std::uint16_t vcode);

}  // namespace blenvar
