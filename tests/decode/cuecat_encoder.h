#pragma once
// Test-only scrambler: the inverse of the CueCat field unscrambling, so tests can
// write readable fields and get the text a CueCat would type.
#include <string>
#include <string_view>

namespace blenvar::testing {

inline std::string ScrambleCueCatField(std::string_view plain) {
    static constexpr std::string_view alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-";
    std::string out;
    unsigned acc = 0;
    int bits = 0;
    for (char c : plain) {
        acc = (acc << 8) | ((static_cast<unsigned char>(c) ^ 67u) & 0xFFu);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out.push_back(alphabet[(acc >> bits) & 63u]);
        }
    }
    if (bits > 0) out.push_back(alphabet[(acc << (6 - bits)) & 63u]);
    return out;
}

inline std::string CueCatText(std::string_view serial, std::string_view type,
                              std::string_view value) {
    return "." + ScrambleCueCatField(serial) + "." + ScrambleCueCatField(type) + "." +
           ScrambleCueCatField(value) + ".";
}

}  // namespace blenvar::testing
