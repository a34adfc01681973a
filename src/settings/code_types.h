#pragma once
// The list of barcode types: built-ins, then the sections the user added, with
// "UNKNOWN" on top. Identifier mode tries the entries in this order.
#include <string>
#include <vector>

#include "components/ini/ini_file.h"

namespace blenvar {

// The list read from the settings file: "UNKNOWN", the built-in types, then each
// section name upper-cased unless it is "setup"/"unknown" (any case) or already in the
// list exactly as written. A settings file that cannot be read gives the built-ins only.
std::vector<std::string> LoadCodeTypes(INIFile& ini);

}  // namespace blenvar
