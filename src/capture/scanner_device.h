#pragma once
// The scanner as training recorded it, in one form for every backend: the device name the
// kernel reports, then vendor and product in hex where known, `Name|vvvv:pppp`. The X
// server shows vendor and product only through some drivers, so a name alone also matches.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace blenvar {

struct ScannerId {
    std::string name;
    std::optional<std::uint16_t> vendor;  // both set or both empty
    std::optional<std::uint16_t> product;
    friend bool operator==(const ScannerId&, const ScannerId&) = default;
};

// A device name as stored and compared: control bytes become spaces (one settings line
// holds it) and outer blanks go (the settings file trims values).
std::string StoredDeviceName(std::string_view name);

// `Name|vvvv:pppp`, or `Name` when vendor and product are unknown.
std::string ScannerText(const ScannerId& id);
// Empty for text that names no device.
std::optional<ScannerId> ParseScanner(std::string_view text);

// The name matches and, where both sides know them, vendor and product do. Every
// matching device counts as the scanner, so two identical scanners both work.
bool ScannerMatches(const ScannerId& scanner, std::string_view deviceName,
                    std::optional<std::uint16_t> vendor, std::optional<std::uint16_t> product);

}  // namespace blenvar
