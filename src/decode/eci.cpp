#include "decode/eci.h"

namespace blenvar {

std::string DecodeEci(std::string_view data) {
    std::string text;
    text.reserve(data.size());
    bool latin1 = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\\' && i + 1 < data.size() && data[i + 1] == '\\') {
            text.push_back('\\');
            ++i;
        } else if (c == '\\' && data.size() - i > 6 &&
                   data.substr(i + 1, 6).find_first_not_of("0123456789") ==
                       std::string_view::npos) {
            const int eci = (data[i + 5] - '0') * 10 + (data[i + 6] - '0');
            latin1 = data.substr(i + 1, 4) == "0000" && (eci == 1 || eci == 3);
            i += 6;
        } else if (latin1 && static_cast<unsigned char>(c) >= 0x80) {
            const auto u = static_cast<unsigned char>(c);
            text.push_back(static_cast<char>(0xC0 | (u >> 6)));
            text.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            text.push_back(c);
        }
    }
    return text;
}

}  // namespace blenvar
