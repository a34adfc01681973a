#pragma once
// The list of barcode types: built-ins, then the sections the user added, with
// "UNKNOWN" on top. Identifier mode tries the entries in this order.
#include <span>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"

namespace blenvar {

// The eleven built-in types in list order.
const std::vector<std::string>& BuiltInCodeTypes();

// The type list before "UNKNOWN" goes on top: built-ins, then each section name
// upper-cased unless it is "setup"/"unknown" (any case) or already in the list exactly
// as written. This is also the list of types that get the default type sound.
std::vector<std::string> CodeTypesWithoutUnknown(std::span<const std::string> sectionNames);

// The full list read from the settings file, "UNKNOWN" first. A settings file that
// cannot be read gives the built-ins only.
std::vector<std::string> LoadCodeTypes(INIFile& ini);

}  // namespace blenvar
