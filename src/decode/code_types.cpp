#include "decode/code_types.h"

#include <algorithm>

#include "core/com_error.h"
#include "core/text.h"
#include "decode/readings.h"

namespace blenvar {

const std::vector<std::string>& BuiltInCodeTypes() {
    static const std::vector<std::string> types{"EAN 8", "EAN 13",  "INTERLEAVED 2 OF 5", "ISBN",
                                                "ISSN",  "CODE 39", "CODE 128",           "CODABAR",
                                                "UPC-E", "UPC-A",   "UCC/EAN 128"};
    return types;
}

std::vector<std::string> CodeTypesWithoutUnknown(std::span<const std::string> sectionNames) {
    std::vector<std::string> list = BuiltInCodeTypes();
    for (const std::string& name : sectionNames) {
        // Exact comparison: "ean 8" is added once more as "EAN 8".
        if (std::find(list.begin(), list.end(), name) != list.end()) continue;
        if (EqualsNoCaseAscii(name, "setup") || EqualsNoCaseAscii(name, kUnknownType)) continue;
        list.push_back(ToUpperAscii(name));
    }
    return list;
}

std::vector<std::string> LoadCodeTypes(INIFile& ini) {
    std::vector<std::string> names;
    try {
        ini.EnumSections();
        if (const auto& sections = ini.Sections())
            for (const Key& k : *sections) names.push_back(k.KeyName);
    } catch (const ComError&) {
        // Unreadable settings behave like a missing file: built-ins only.
        names.clear();
    }
    std::vector<std::string> list = CodeTypesWithoutUnknown(names);
    list.insert(list.begin(), std::string(kUnknownType));
    return list;
}

}  // namespace blenvar
