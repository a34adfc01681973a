#include "capture/key_to_char.h"

#include <string_view>

namespace blenvar {

namespace {

// Codes 48..90: digits, seven codes that type nothing, letters.
constexpr std::string_view kMainKeys[2] = {
    "0123456789       abcdefghijklmnopqrstuvwxyz",
    ")!@#$%^&*(       ABCDEFGHIJKLMNOPQRSTUVWXYZ",
};

struct Punctuation {
    std::uint16_t vcode;
    char plain;
    char shifted;
};

constexpr Punctuation kPunctuation[] = {
    {186, ';', ':'},  {187, '=', '+'}, {188, ',', '<'},  {189, '-', '_'},
    {190, '.', '>'},  {191, '/', '?'}, {192, '`', '~'},  {219, '[', '{'},
    {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'},
};

}  // namespace

std::string KeyToChar(std::uint8_t state, std::uint16_t vcode) {
    if (state > 1) return {};
    if (vcode == 32) return " ";
    if (vcode >= 48 && vcode <= 90) {
        const char c = kMainKeys[state][vcode - 48];
        return c == ' ' ? std::string{} : std::string(1, c);
    }
    for (const Punctuation& p : kPunctuation) {
        if (p.vcode == vcode) return std::string(1, state ? p.shifted : p.plain);
    }
    return {};
}

}  // namespace blenvar
