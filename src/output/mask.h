#pragma once
// Output masks: free text with codes %%R %%S %%T %%C %%X %%- %%d %%t %%N replaced by the
// fields of the scan, each trimmed of surrounding blanks; %%(id) by the scan's GS1 or
// data-identifier element of that id ("%%(01)", "%%(1P)") and %%H by all of them in the
// human-readable form "(01)...(17)...", both empty when the scan has none.
//
// Only the mask's own characters form codes. Text inserted from the scan is never
// read as a code, so a barcode whose value contains "%%T" is delivered as scanned.
#include <string>
#include <string_view>
#include <vector>

#include "core/scan_record.h"

namespace blenvar {

struct MarkedText {
    std::string text;
    // fromField[i]: byte i came from a scan field (to be typed literally), not the mask.
    std::vector<bool> fromField;
    // maskOffset[i]: the byte of the mask that byte i was made from (for a field's text,
    // the first "%" of its code), so errors can point into the mask the user wrote.
    std::vector<std::size_t> maskOffset;
};

std::string FormatMask(std::string_view mask, const ScanRecord& rec);
MarkedText FormatMaskMarked(std::string_view mask, const ScanRecord& rec);

}  // namespace blenvar
