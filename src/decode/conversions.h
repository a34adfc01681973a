#pragma once
// Conversions applied to a decoded scan before delivery: UPC-E to UPC-A, Bookland
// EAN-13 to ISBN or ISSN.
#include <string>
#include <string_view>

#include "core/scan_record.h"

namespace blenvar {

class INIFile;

struct ConversionSettings {
    bool expandUPCE = false;       // "UPC-E" section, ExpandUPCE
    bool convertISBNISSN = false;  // "EAN 13" section, ConvertISBNISSN
};

// Applies the conversions with the switches already read.
void ApplyConversions(ScanRecord& rec, const ConversionSettings& settings);

// Reads the switches from the settings the scan's type needs and applies them. The
// current section is left at the scan's type name as it was before the conversions.
void ApplyConversions(ScanRecord& rec, INIFile& ini);

}  // namespace blenvar
