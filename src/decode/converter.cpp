#include "decode/converter.h"

#include <array>
#include <cstdint>

#include "core/text.h"

namespace blenvar {

namespace {

constexpr std::string_view kCueCatAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-";

constexpr std::array<std::uint8_t, 256> MakeIndexTable() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < kCueCatAlphabet.size(); ++i)
        table[static_cast<unsigned char>(kCueCatAlphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}

constexpr std::array<std::uint8_t, 256> kCueCatIndex = MakeIndexTable();

int DigitValue(char c) {
    return IsDigit(c) ? c - '0' : 0;
}

}  // namespace

std::string DecodeCueCatField(std::string_view field) {
    // The 6-bit indices as one bit string cut into bytes from the start, done with an
    // accumulator.
    std::string out;
    out.reserve(field.size() * 3 / 4);
    std::uint32_t acc = 0;
    int bits = 0;
    for (char c : field) {
        acc = (acc << 6) | kCueCatIndex[static_cast<unsigned char>(c)];
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>(((acc >> bits) & 0xFFu) ^ 67u));
        }
    }
    return out;
}

std::string UPCEtoUPCA(std::string_view value) {
    if (value.size() != 8 || (value[0] != '0' && value[0] != '1')) return std::string(kInvalid);
    const char d1 = value[1], d2 = value[2], d3 = value[3], d4 = value[4], d5 = value[5],
               d6 = value[6];
    std::string out;
    out.reserve(12);
    out.push_back(value[0]);
    switch (d6) {
        case '0':
        case '1':
        case '2':
            out += {d1, d2, d6, '0', '0', '0', '0', d3, d4, d5};
            break;
        case '3':
            out += {d1, d2, d3, '0', '0', '0', '0', '0', d4, d5};
            break;
        case '4':
            out += {d1, d2, d3, d4, '0', '0', '0', '0', '0', d5};
            break;
        default:
            out += {d1, d2, d3, d4, d5, '0', '0', '0', '0', d6};
            break;
    }
    out.push_back(value[7]);
    return out;
}

std::string UPCCheckDigit(std::string_view value) {
    std::string expanded;
    if (value.size() == 7 || value.size() == 8) {
        std::string upce(value.substr(0, 7));
        upce.push_back(value.size() == 8 ? value[7] : '0');
        expanded = UPCEtoUPCA(upce);
        value = expanded;
    }
    // Positions 1..11 of the value; the 12th (its own check digit) is ignored.
    int odd = 0, even = 0;
    const std::size_t n = value.size() < 11 ? value.size() : 11;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 2 == 0)
            odd += DigitValue(value[i]);
        else
            even += DigitValue(value[i]);
    }
    const int total = 3 * odd + even;
    return std::string(1, static_cast<char>('0' + (10 - total % 10) % 10));
}

}  // namespace blenvar
