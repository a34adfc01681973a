#pragma once
// ECI escapes of 2D symbols: a backslash and six digits switch the character set of the
// data after them, a doubled backslash stands for one backslash.
#include <string>
#include <string_view>

namespace blenvar {

// The data as UTF-8: ECI 1 and 3 are ISO-8859-1, ECI 26 (UTF-8), 27 (ASCII) and any other
// are kept as they are.
std::string DecodeEci(std::string_view data);

}  // namespace blenvar
