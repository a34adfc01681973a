#pragma once
// The one set of text helpers. Settings and scans are 8-bit text, so case changes and
// case-blind comparisons touch ASCII letters only and never depend on the locale.
#include <string>
#include <string_view>

namespace blenvar {

inline constexpr std::string_view kSpaces = " ";
// What the settings file treats as blanks around names and values.
inline constexpr std::string_view kBlanks = " \t";

// Leading and trailing characters of `set` removed (spaces by default, as the editor
// stores texts).
inline std::string_view Trim(std::string_view s, std::string_view set = kSpaces) {
    const auto b = s.find_first_not_of(set);
    // Empty but still pointing into s: callers take offsets from the result.
    if (b == std::string_view::npos) return s.substr(s.size());
    return s.substr(b, s.find_last_not_of(set) - b + 1);
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

inline std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

inline bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters from a 0-based position, at most n; past the end gives what there is.
inline std::string_view Mid(std::string_view s, std::size_t pos,
                            std::size_t n = std::string_view::npos) {
    if (pos >= s.size()) return {};
    return s.substr(pos, n);
}

}  // namespace blenvar
