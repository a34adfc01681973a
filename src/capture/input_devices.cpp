#include "capture/input_devices.h"

#include <linux/input.h>

#include <cstdio>

namespace blenvar {
namespace {

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex4(std::string_view& s, std::uint16_t& value) {
    if (s.size() < 4) return false;
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = HexDigit(s[std::size_t(i)]);
        if (d < 0) return false;
        v = v * 16 + unsigned(d);
    }
    value = std::uint16_t(v);
    s.remove_prefix(4);
    return true;
}

bool Expect(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

bool ParseQuoted(std::string_view& s, std::string& out) {
    if (!Expect(s, '"')) return false;
    while (!s.empty()) {
        const char c = s.front();
        s.remove_prefix(1);
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (s.empty()) return false;
        const char e = s.front();
        s.remove_prefix(1);
        if (e == '"' || e == '\\') {
            out += e;
        } else if (e == 'x' && s.size() >= 2 && HexDigit(s[0]) >= 0 && HexDigit(s[1]) >= 0) {
            out += char(HexDigit(s[0]) * 16 + HexDigit(s[1]));
            s.remove_prefix(2);
        } else {
            return false;
        }
    }
    return false;
}

bool HasBit(std::span<const std::uint8_t> bits, unsigned code) {
    return code / 8 < bits.size() && (bits[code / 8] & (1u << (code % 8))) != 0;
}

bool HasAll(std::span<const std::uint8_t> bits, std::initializer_list<unsigned> codes) {
    for (unsigned code : codes) {
        if (!HasBit(bits, code)) return false;
    }
    return true;
}

}  // namespace

std::string IdentityText(const DeviceIdentity& id) {
    char numbers[16];
    std::snprintf(numbers, sizeof numbers, "%04x:%04x:%04x ", id.bus, id.vendor, id.product);
    std::string out = numbers;
    AppendQuoted(out, id.name);
    out += ' ';
    AppendQuoted(out, id.phys);
    return out;
}

std::optional<DeviceIdentity> ParseIdentity(std::string_view s) {
    DeviceIdentity id;
    if (!ParseHex4(s, id.bus) || !Expect(s, ':') || !ParseHex4(s, id.vendor) || !Expect(s, ':') ||
        !ParseHex4(s, id.product) || !Expect(s, ' ') || !ParseQuoted(s, id.name) ||
        !Expect(s, ' ') || !ParseQuoted(s, id.phys) || !s.empty()) {
        return std::nullopt;
    }
    return id;
}

const DeviceIdentity& OwnKeyboardIdentity() {
    static const DeviceIdentity id{BUS_VIRTUAL, 0x0000, 0x6276, "Blenvar virtual keyboard", ""};
    return id;
}

bool IsOwnKeyboard(const DeviceIdentity& id) {
    const DeviceIdentity& own = OwnKeyboardIdentity();
    return id.bus == own.bus && id.vendor == own.vendor && id.product == own.product &&
           id.name == own.name;
}

bool IsKeyboard(std::span<const std::uint8_t> keyBits) {
    if (!HasBit(keyBits, KEY_ENTER) && !HasBit(keyBits, KEY_KPENTER)) return false;
    const bool digits =
        HasAll(keyBits, {KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, KEY_0});
    const bool keypad = HasAll(keyBits, {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5,
                                         KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9});
    // The letter keys are not numbered in order.
    const bool letters =
        HasAll(keyBits, {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                         KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                         KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z});
    return digits || keypad || letters;
}

std::vector<std::size_t> DevicesToGrab(std::span<const InputDevice> devices, CaptureDevices mode,
                                       const std::optional<DeviceIdentity>& scanner) {
    if (!scanner) mode = CaptureDevices::All;
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const InputDevice& d = devices[i];
        if (IsOwnKeyboard(d.id)) continue;
        if (mode == CaptureDevices::All ? d.keyboard : d.id == *scanner) chosen.push_back(i);
    }
    if (mode == CaptureDevices::All || !chosen.empty()) return chosen;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceIdentity& id = devices[i].id;
        if (!IsOwnKeyboard(id) && id.bus == scanner->bus && id.vendor == scanner->vendor &&
            id.product == scanner->product && id.name == scanner->name) {
            chosen.push_back(i);
        }
    }
    return chosen;
}

}  // namespace blenvar
