#pragma once
// Conversions applied to a decoded scan before delivery (UPC-E to UPC-A, Bookland
// EAN-13 to ISBN or ISSN) and the default output file name of a type.
#include <string>
#include <string_view>

#include "core/scan_record.h"

namespace blenvar {

class INIFile;

// folder + "/" + section without blanks, "/" or "\" + ".txt". The separators are
// dropped so that "UCC/EAN 128" stays one file (UCCEAN128.txt) in the folder.
std::string DefaultFileName(std::string_view folder, std::string_view section);

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
