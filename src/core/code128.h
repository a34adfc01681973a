#pragma once
// A Code 128 symbol in code set B (printable ASCII), to draw on screen or print.
#include <string_view>
#include <vector>

namespace blenvar {

// The widths in modules of the symbol's bars and spaces, a bar first, from the start
// character to the stop pattern; quiet zones are the caller's. Empty when `text` holds a
// character outside 32 to 126.
std::vector<int> Code128Widths(std::string_view text);

}  // namespace blenvar
