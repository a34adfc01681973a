#pragma once
// Small text helpers shared by decoding and delivery. Settings and scans are 8-bit
// text, so case changes touch ASCII letters only.
#include <string>
#include <string_view>

namespace blenvar {

// Leading and trailing blanks (spaces only, as the settings editor stores them).
inline std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

inline std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

inline std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

inline bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
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
