#include "decode/conversions.h"

#include "decode/converter.h"
#include "decode/isbn_to_ean.h"
#include "settings/settings_layout.h"

namespace blenvar {

void ApplyConversions(ScanRecord& rec, const ConversionSettings& settings) {
    if (rec.TypeName == kTypeUpcE && settings.expandUPCE) {
        rec.Code = UPCEtoUPCA(rec.Code);
        rec.TypeName = kTypeUpcA;
    }
    if (rec.TypeName != kTypeEan13 || !settings.convertISBNISSN) return;
    if (rec.Code.starts_with("978")) {
        // The ISBN gets its own check character, as in the CueCat reading.
        rec.TypeName = kTypeIsbn;
        rec.Code = EANtoISBN(rec.Code);
        // The price add-on loses its first digit; one starting "9" (no price) goes.
        if (!rec.Extra.empty() && rec.Extra[0] == '9')
            rec.Extra.clear();
        else if (!rec.Extra.empty())
            rec.Extra.erase(0, 1);
    } else if (rec.Code.starts_with("977")) {
        rec.TypeName = kTypeIssn;
        rec.Code = EANtoISSN(rec.Code);
    }
}

}  // namespace blenvar
