#pragma once
// The character a scanner types as Alt held with keypad digits, the way Windows reads
// them: "0nnn" is Windows-1252, "nnn" the OEM code page, both modulo 256.
#include <string>
#include <string_view>

namespace blenvar {

// The OEM code pages offered: 437, 850 and 852.
bool IsOemCodePage(int codePage);

// UTF-8 of the code `digits` (ASCII '0'-'9', at least one) gives; codes 0-31 and 127 are
// the control characters, Windows-1252's five unassigned codes the C1 controls there.
// An unknown code page reads as 437.
std::string AltCodeText(std::string_view digits, int oemCodePage);

// Appends `c` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace blenvar
