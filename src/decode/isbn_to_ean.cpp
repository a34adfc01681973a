#include "decode/isbn_to_ean.h"

#include "core/text.h"
#include "decode/converter.h"

namespace blenvar {

std::string EANtoISBN(std::string_view ean) {
    if (ean.substr(0, 3) != "978") return std::string(kInvalid);
    int sum = 0;
    for (std::size_t i = 1; i <= 9; ++i) {
        const std::size_t pos = i + 2;
        if (pos < ean.size() && IsDigit(ean[pos])) sum += static_cast<int>(i) * (ean[pos] - '0');
    }
    const int check = sum % 11;
    std::string out(Mid(ean, 3, 9));
    if (check == 10)
        out.push_back('X');
    else
        out.push_back(static_cast<char>('0' + check));
    return out;
}

std::string EANtoISSN(std::string_view ean) {
    if (ean.substr(0, 3) != "977") return std::string(kInvalid);
    int sum = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        const std::size_t pos = i + 3;
        if (pos < ean.size() && IsDigit(ean[pos]))
            sum += static_cast<int>(8 - i) * (ean[pos] - '0');
    }
    const int check = (11 - sum % 11) % 11;
    std::string out(Mid(ean, 3, 7));
    out.push_back(check == 10 ? 'X' : static_cast<char>('0' + check));
    return out;
}

}  // namespace blenvar
