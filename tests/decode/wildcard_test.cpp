#include "decode/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace blenvar {
namespace {

struct Case {
    const char* text;
    const char* pattern;
    bool match;
};

TEST(WildcardMatch, Table) {
    const Case cases[] = {
        {"", "", true},
        {"abc", "ABC", false},  // case-sensitive
        {"abc", "a?c", true},
        {"a5", "a#", true},
        {"aXbYc", "a*b*c", true},
        {"abcbc", "a*bc", true},  // the last segment is anchored at the end
        {"abcbcx", "a*bc", false},
        {"abab", "*ab*ab*", true},
        {"b", "[abc]", true},
        {"m", "[a-z]", true},
        {"m", "[z-a]", true},
        {"-", "[a-]", true},
        {"d", "[!abc]", true},
        {"x", "[]", false},
        {"x", "[!]", true},
        {"[a", "[a", true},    // no closing bracket: literal "["
        {"*x", "[*]x", true},  // special characters inside a list are plain
        {"a", "[?]", false},
        {"\xE9", "[\xE0-\xEF]", true},
        {".aaaaaaaa.bbbb.cccccccc.", ".*.????.*.", true},
        {"..abcd..", ".*.????.*.", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
    }
}

TEST(WildcardMatch, PathologicalPatternsFinish) {
    const std::string text(100000, 'a');
    EXPECT_TRUE(WildcardMatch(text, std::string(64, '*')));
    std::string starred;
    for (int i = 0; i < 64; ++i) starred += "*a";
    EXPECT_TRUE(WildcardMatch(text, starred));
    EXPECT_FALSE(WildcardMatch(text, starred + "*b"));
    EXPECT_FALSE(WildcardMatch(text, "*" + std::string(50, 'a') + "b*"));
}

}  // namespace
}  // namespace blenvar
