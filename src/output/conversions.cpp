#include "output/conversions.h"

#include "decode/converter.h"
#include "decode/isbn_to_ean.h"

namespace blenvar {

std::string DefaultFileName(std::string_view folder, std::string_view section) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    for (char c : section)
        if (c != ' ' && c != '/' && c != '\\') path.push_back(c);
    path += ".txt";
    return path;
}

void ApplyConversions(ScanRecord& rec, const ConversionSettings& settings) {
    if (rec.TypeName == "UPC-E" && settings.expandUPCE) {
        rec.Code = UPCEtoUPCA(rec.Code);
        rec.TypeName = "UPC-A";
    }
    if (rec.TypeName != "EAN 13" || !settings.convertISBNISSN) return;
    if (rec.Code.starts_with("978")) {
        // The ISBN gets its own check character, as in the CueCat reading.
        rec.TypeName = "ISBN";
        rec.Code = EANtoISBN(rec.Code);
        // The price add-on loses its first digit; one starting "9" (no price) goes.
        if (!rec.Extra.empty() && rec.Extra[0] == '9')
            rec.Extra.clear();
        else if (!rec.Extra.empty())
            rec.Extra.erase(0, 1);
    } else if (rec.Code.starts_with("977")) {
        rec.TypeName = "ISSN";
        rec.Code = EANtoISSN(rec.Code);
    }
}

}  // namespace blenvar
