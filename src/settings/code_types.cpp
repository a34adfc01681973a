#include "settings/code_types.h"

#include <span>
#include <unordered_set>

#include "core/com_error.h"
#include "core/text.h"
#include "settings/settings_layout.h"

namespace blenvar {

namespace {

const std::vector<std::string>& BuiltInCodeTypes() {
    static const std::vector<std::string> types{
        std::string(kTypeEan8), std::string(kTypeEan13), std::string(kTypeInterleaved2Of5),
        std::string(kTypeIsbn), std::string(kTypeIssn), std::string(kTypeCode39),
        std::string(kTypeCode128), std::string(kTypeCodabar), std::string(kTypeUpcE),
        std::string(kTypeUpcA), std::string(kTypeUccEan128),
        // The types of the other symbology identifiers.
        std::string(kTypeTelepen), std::string(kTypeCodeOne), std::string(kTypeCode93),
        std::string(kTypeCode11), std::string(kTypePdf417), std::string(kTypeMsi),
        std::string(kTypeAnker), std::string(kTypeCodablock), std::string(kTypePlessey),
        std::string(kTypeQrCode), std::string(kTypeGs1QrCode), std::string(kTypeIata2Of5),
        std::string(kTypeIndustrial2Of5), std::string(kTypeCode49), std::string(kTypeMaxiCode),
        std::string(kTypeDataMatrix), std::string(kTypeGs1DataMatrix), std::string(kTypeGs1DataBar),
        std::string(kTypeHanXin), std::string(kTypeDotCode), std::string(kTypeAztec)};
    return types;
}

std::vector<std::string> CodeTypesWithoutUnknown(std::span<const std::string> sectionNames) {
    std::vector<std::string> list = BuiltInCodeTypes();
    // A settings file may hold many thousands of sections: the look-up must not grow.
    std::unordered_set<std::string> listed(list.begin(), list.end());
    for (const std::string& name : sectionNames) {
        // Exact comparison: "ean 8" is added once more as "EAN 8".
        if (listed.contains(name)) continue;
        if (EqualsNoCaseAscii(name, kSetupSection) || EqualsNoCaseAscii(name, kTypeUnknown))
            continue;
        list.push_back(ToUpperAscii(name));
        listed.insert(list.back());
    }
    return list;
}

}  // namespace

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
    list.insert(list.begin(), std::string(kTypeUnknown));
    return list;
}

}  // namespace blenvar
