#include "capture/scanner_device.h"

#include <cstdio>

#include "core/text.h"

namespace blenvar {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint16_t> Hex4(std::string_view s) {
    if (s.size() != 4) return std::nullopt;
    unsigned v = 0;
    for (const char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + unsigned(d);
    }
    return std::uint16_t(v);
}

}  // namespace

std::string StoredDeviceName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) c = ' ';
    }
    return std::string(Trim(out, kBlanks));
}

std::string ScannerText(const ScannerId& id) {
    std::string out = StoredDeviceName(id.name);
    if (id.vendor && id.product) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "|%04x:%04x", unsigned(*id.vendor), unsigned(*id.product));
        out += ids;
    }
    return out;
}

std::optional<ScannerId> ParseScanner(std::string_view text) {
    text = Trim(text, kBlanks);
    ScannerId id;
    const std::size_t bar = text.rfind('|');
    if (bar != std::string_view::npos && text.size() - bar == 10 && text[bar + 5] == ':') {
        id.vendor = Hex4(text.substr(bar + 1, 4));
        id.product = Hex4(text.substr(bar + 6, 4));
        if (id.vendor && id.product) {
            text = text.substr(0, bar);
        } else {
            id.vendor.reset();
            id.product.reset();
        }
    }
    id.name = StoredDeviceName(text);
    if (id.name.empty()) return std::nullopt;
    return id;
}

bool ScannerMatches(const ScannerId& scanner, std::string_view deviceName,
                    std::optional<std::uint16_t> vendor, std::optional<std::uint16_t> product) {
    if (StoredDeviceName(deviceName) != scanner.name) return false;
    if (!scanner.vendor || !scanner.product || !vendor || !product) return true;
    return *vendor == *scanner.vendor && *product == *scanner.product;
}

}  // namespace blenvar
