#include "components/ini/ini_file.h"
#include "decode/conversions.h"
#include "settings/settings_layout.h"

namespace blenvar {

void ApplyConversions(ScanRecord& rec, INIFile& ini) {
    ini.SetSection(rec.TypeName);
    // Read a switch only when the scan could be converted by it.
    ConversionSettings s;
    if (rec.TypeName == kTypeUpcE) {
        s.expandUPCE = ReadFlag(ini.GetValue(kKeyExpandUPCE));
    } else if (rec.TypeName == kTypeEan13 &&
               (rec.Code.starts_with("978") || rec.Code.starts_with("977"))) {
        s.convertISBNISSN =
            ReadRoundedNumberOn(ini.GetValue(kKeyConvertISBNISSN, kDefaultConvertISBNISSN));
    }
    ApplyConversions(rec, s);
}

}  // namespace blenvar
