#pragma once
#include <string>

namespace blenvar {

// The one current scan. All fields are text, exactly as shown to the user.
struct ScanRecord {
    std::string Raw;
    std::string Serial;
    std::string TypeName;
    std::string Code;
    std::string Extra;
    std::string Date;
    std::string Time;
};

}  // namespace blenvar
