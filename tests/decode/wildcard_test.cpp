#include "decode/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace blenvar {
namespace {

TEST(WildcardPattern, Table) {
    const struct {
        const char *text, *pattern;
        bool match;
    } cases[] = {
        // clang-format off
        {"", "", true},            {"abc", "ABC", false},  // case-sensitive
        {"abc", "a?c", true},      {"a5", "a#", true},     {"aXbYc", "a*b*c", true},
        {"abcbc", "a*bc", true},   {"abcbcx", "a*bc", false},  // the last segment is anchored
        {"abab", "*ab*ab*", true}, {"b", "[abc]", true},   {"m", "[a-z]", true},
        {"m", "[z-a]", true},      {"-", "[a-]", true},    {"d", "[!abc]", true},
        {"x", "[]", false},        {"x", "[!]", true},     {"[a", "[a", true},  // unclosed: literal
        {"*x", "[*]x", true},      {"a", "[?]", false},  // specials inside a list are plain
        {"\xE9", "[\xE0-\xEF]", true},
        {".aaaaaaaa.bbbb.cccccccc.", ".*.????.*.", true}, {"..abcd..", ".*.????.*.", true},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WildcardPattern(c.pattern).Matches(c.text), c.match)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
    }
}

// Long texts, and segments longer than one 64-bit word of the bit-parallel search.
TEST(WildcardPattern, LongTextsAndSegments) {
    const std::string as(100000, 'a');
    std::string starred;
    for (int i = 0; i < 64; ++i) starred += "*a";
    const std::string a(130, 'a');
    const struct {
        std::string text, pattern;
        bool match;
    } cases[] = {
        {as, std::string(64, '*'), true},
        {as, starred, true},
        {as, "*" + std::string(50, 'a') + "b*", false},
        {"x" + a.substr(1) + "b" + a + "b", "*" + a + "b*", true},  // second place fits
        {"x" + a.substr(1) + "b" + a + "c", "*" + a + "b*", false},
        {as.substr(0, 150) + "7", "*" + std::string(100, '?') + "#*", true},
        {as.substr(0, 150), "*" + std::string(100, '?') + "#*", false},
        {"1" + a + "2" + a + "3", "1*[a]" + std::string(64, '?') + "2*3", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardPattern(c.pattern).Matches(c.text), c.match)
            << c.text.size() << " characters, pattern " << c.pattern;
}

}  // namespace
}  // namespace blenvar
