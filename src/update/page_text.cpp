#include "update/page_text.h"

#include <array>
#include <charconv>

#include "core/text.h"

namespace blenvar::update {

namespace {

constexpr std::string_view kLineBlanks = " \t\r\n\f\v";

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void AppendUtf8(std::string& out, unsigned long cp) {
    // Nothing valid to show for these; a browser shows the replacement character.
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the entity at page[i] == '&'; returns the characters consumed, 0 when it is
// not one we know (the "&" is then text).
std::size_t DecodeEntity(std::string_view page, std::size_t i, std::string& out) {
    const auto semi = page.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) return 0;
    const auto name = page.substr(i + 1, semi - i - 1);
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const auto digits = name.substr(hex ? 2 : 1);
        unsigned long cp = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return 0;
        AppendUtf8(out, cp);
        return semi - i + 1;
    }
    static constexpr std::array<std::pair<std::string_view, char>, 6> kNamed{
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}}};
    for (const auto& [entity, c] : kNamed) {
        if (name == entity) {
            out += c;
            return semi - i + 1;
        }
    }
    return 0;
}

// Lower-case name of the tag starting at page[i] == '<' (without "/").
std::string TagName(std::string_view page, std::size_t i) {
    std::size_t b = i + 1;
    if (b < page.size() && page[b] == '/') ++b;
    std::size_t e = b;
    while (e < page.size() && (IsAsciiLetter(page[e]) || IsDigit(page[e]))) ++e;
    return ToLowerAscii(page.substr(b, e - b));
}

bool IsHiddenElement(std::string_view name) {
    return name == "head" || name == "title" || name == "script" || name == "style";
}

}  // namespace

std::string VisibleText(std::string_view page) {
    std::string out;
    out.reserve(page.size());
    std::size_t i = 0;
    while (i < page.size()) {
        const char c = page[i];
        if (c == '&') {
            if (const auto used = DecodeEntity(page, i, out)) {
                i += used;
                continue;
            }
        } else if (c == '<' && i + 1 < page.size()) {
            const char n = page[i + 1];
            if (page.substr(i, 4) == "<!--") {
                const auto end = page.find("-->", i + 4);
                i = end == std::string_view::npos ? page.size() : end + 3;
                continue;
            }
            if (IsAsciiLetter(n) || n == '/' || n == '!' || n == '?') {
                const auto name = TagName(page, i);
                const auto close = page.find('>', i);
                i = close == std::string_view::npos ? page.size() : close + 1;
                if (n != '/' && IsHiddenElement(name)) {
                    // Skip to the matching end tag; an unclosed one hides the rest.
                    const auto end = ToLowerAscii(page.substr(i)).find("</" + name);
                    if (end == std::string::npos) break;
                    i += end;
                }
                continue;
            }
        }
        out += c;
        ++i;
    }
    return std::string(Trim(out, kLineBlanks));
}

std::string CutText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t end = maxBytes;
    // Back over continuation bytes to the start of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "\xE2\x80\xA6";
}

}  // namespace blenvar::update
