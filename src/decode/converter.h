#pragma once
// Conversion functions: CueCat field unscrambling, UPC-E expansion and the UPC check
// digit. All are pure text operations that accept any input.
#include <string>
#include <string_view>

namespace blenvar {

inline constexpr std::string_view kInvalid = "INVALID";

// Unscrambles one CueCat field: 6-bit alphabet indices packed into bytes, each byte
// exclusive-or 67, an incomplete last byte dropped. Characters outside the alphabet
// count as index 0.
std::string DecodeCueCatField(std::string_view field);

// 8-character UPC-E value to the 12-character UPC-A value, or "INVALID".
std::string UPCEtoUPCA(std::string_view value);

// UPC-A check digit ("0".."9") of a UPC-A value or (7 or 8 characters) a UPC-E value.
std::string UPCCheckDigit(std::string_view value);

}  // namespace blenvar
