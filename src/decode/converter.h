#pragma once
// Conversion functions: bit strings, CueCat field unscrambling, UPC-E expansion and
// the UPC check digit. All are pure text operations that accept any input.
#include <cstdint>
#include <string>
#include <string_view>

namespace blenvar {

inline constexpr std::string_view kInvalid = "INVALID";

// Binary digits, most significant first, padded with "0" in front to at least
// `width` characters. A value of 0 or less gives `width` zeros.
std::string DecToBin(long long value, int width);

// Reads "0"/"1" text as a binary number; any character other than "1" counts as 0.
// Texts longer than 64 digits keep only their last 64 (the value modulo 2^64).
std::uint64_t BinToDec(std::string_view bits);

// Unscrambles one CueCat field: 6-bit alphabet indices packed into bytes, each byte
// exclusive-or 67, an incomplete last byte dropped. Characters outside the alphabet
// count as index 0.
std::string DecodeCueCatField(std::string_view field);

// 8-character UPC-E value to the 12-character UPC-A value, or "INVALID".
std::string UPCEtoUPCA(std::string_view value);

// UPC-A check digit ("0".."9") of a UPC-A value or (7 or 8 characters) a UPC-E value.
std::string UPCCheckDigit(std::string_view value);

}  // namespace blenvar
