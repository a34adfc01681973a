#include "output/key_sequence.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

KeyAction Ch(char32_t c, std::uint8_t mods = 0) {
    return KeyAction{c, NamedKey::Character, mods};
}
KeyAction Key(NamedKey k, std::uint8_t mods = 0) {
    return KeyAction{0, k, mods};
}

NamedKey F(int n) {
    return NamedKey(int(NamedKey::F1) + n - 1);
}

std::vector<KeyAction> Repeat(KeyAction a, int n) {
    return std::vector<KeyAction>(n, a);
}

std::vector<bool> Flags(std::string_view pattern) {  // 'F' marks a field byte
    std::vector<bool> flags;
    for (char c : pattern) flags.push_back(c == 'F');
    return flags;
}

TEST(KeySequence, NamedKeysAliasesAndBadNames) {
    // Canonical names in key order; F1 ... F16 follow.
    const char* const canonical[] = {"ENTER",    "TAB",     "BACKSPACE",  "DELETE", "INSERT",
                                     "HOME",     "END",     "PGUP",       "PGDN",   "UP",
                                     "DOWN",     "LEFT",    "RIGHT",      "ESC",    "BREAK",
                                     "CAPSLOCK", "NUMLOCK", "SCROLLLOCK", "PRTSC",  "HELP"};
    std::vector<std::pair<std::string, NamedKey>> cases{
        {"tab", NamedKey::Tab},    {"bs", NamedKey::Backspace}, {"BkSp", NamedKey::Backspace},
        {"DEL", NamedKey::Delete}, {"INS", NamedKey::Insert},   {"f9", F(9)}};
    for (int k = int(NamedKey::Enter); k <= int(NamedKey::F16); ++k) {
        const std::string name = k < int(NamedKey::F1)
                                     ? canonical[k - 1]
                                     : "F" + std::to_string(k - int(NamedKey::F1) + 1);
        cases.emplace_back(name, NamedKey(k));
    }
    for (const auto& [name, key] : cases) {
        const KeyParseResult r = ParseKeySequence("{" + name + "}");
        EXPECT_EQ(r.actions, std::vector<KeyAction>{Key(key)}) << name << ": " << r.error;
    }
    for (const char* bad : {"{F0}", "{F17}", "{F01}", "{ENTR}", "{CTRL}", "{F}x}"}) {
        EXPECT_FALSE(ParseKeySequence(bad).ok()) << bad;
    }
}

TEST(KeySequence, ModifiersGroupsRepeatsAndEscapes) {
    const struct {
        const char* text;
        std::vector<KeyAction> want;
    } cases[] = {
        {"", {}},
        {"ab", {Ch('a'), Ch('b')}},
        {"+ab", {Ch('a', kModShift), Ch('b')}},
        {"^%a", {Ch('a', kModCtrl | kModAlt)}},
        {"++a", {Ch('a', kModShift)}},
        {"+(ab)c", {Ch('a', kModShift), Ch('b', kModShift), Ch('c')}},
        {"^(a%(b)c)", {Ch('a', kModCtrl), Ch('b', kModCtrl | kModAlt), Ch('c', kModCtrl)}},
        {"(ab)", {Ch('a'), Ch('b')}},
        {"~", {Key(NamedKey::Enter)}},
        {"+~", {Key(NamedKey::Enter, kModShift)}},
        {"%{F4}", {Key(F(4), kModAlt)}},
        {"{a 3}", Repeat(Ch('a'), 3)},
        {"{TAB 2}", Repeat(Key(NamedKey::Tab), 2)},
        {"+{a 2}", Repeat(Ch('a', kModShift), 2)},
        {"{a 0}b", {Ch('b')}},
        {"{  2}", Repeat(Ch(' '), 2)},
        {"{} 2}", Repeat(Ch('}'), 2)},
        {"{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}",
         {Ch('+'), Ch('^'), Ch('%'), Ch('~'), Ch('('), Ch(')'), Ch('{'), Ch('}'), Ch('['),
          Ch(']')}},
        {"[x]", {Ch('['), Ch('x'), Ch(']')}},
        {"{\xC3\xA9 2}", Repeat(Ch(U'\u00E9'), 2)},
        {"a\tb\r\nc\nd",
         {Ch('a'), Key(NamedKey::Tab), Ch('b'), Key(NamedKey::Enter), Ch('c'), Key(NamedKey::Enter),
          Ch('d')}},
        // UTF-8, and bytes that are not UTF-8 read as Windows-1252.
        {"\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80",
         {Ch(U'\u20AC'), Ch(U'\u4E2D'), Ch(U'\U0001F600')}},
        {"\x80\xE9\xC3", {Ch(U'\u20AC'), Ch(U'\u00E9'), Ch(U'\u00C3')}},
        {"\xC0\xAF\xED\xA0\x80",
         {Ch(U'\u00C0'), Ch(U'\u00AF'), Ch(U'\u00ED'), Ch(U'\u00A0'), Ch(U'\u20AC')}},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(c.text);
        EXPECT_TRUE(r.ok()) << c.text << ": " << r.error;
        EXPECT_EQ(r.actions, c.want) << c.text;
    }
}

TEST(KeySequence, FieldBytesAreTypedAsTheyAre) {
    const struct {
        std::string text;
        std::string flags;
        std::vector<KeyAction> want;
    } cases[] = {
        {"^a{DEL}", "FFFFFFF", {Ch('^'), Ch('a'), Ch('{'), Ch('D'), Ch('E'), Ch('L'), Ch('}')}},
        // The mask's own notation still applies to the field's characters.
        {"+(a+b)", "..FFF.", {Ch('a', kModShift), Ch('+', kModShift), Ch('b', kModShift)}},
        {"+ab~", ".FF.", {Ch('a', kModShift), Ch('b'), Key(NamedKey::Enter)}},
        {"%(~)", "..F.", {Ch('~', kModAlt)}},
        {"x\xC3\xA9y", ".FF.", {Ch('x'), Ch(U'\u00E9'), Ch('y')}},
        {"1\x1d"
         "2\x1b",
         ".FFF",
         {Ch('1'), Ch(']', kModCtrl), Ch('2'), Ch('[', kModCtrl)}},
        // A character is never completed across the field's edge.
        {"\xC3\xA9", "F.", {Ch(U'\u00C3'), Ch(U'\u00A9')}},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(c.text, Flags(c.flags));
        EXPECT_TRUE(r.ok()) << c.text << ": " << r.error;
        EXPECT_EQ(r.actions, c.want) << c.text;
    }
}

TEST(KeySequence, MalformedSequencesSayWhatAndWhere) {
    const std::string open = "The \"{\" at position 1 of the keyboard mask has no closing \"}\".";
    std::string huge;  // exactly the most keystrokes repeats may make
    for (int i = 0; i < 100; ++i) huge += "{a 1000}";
    EXPECT_TRUE(ParseKeySequence(huge).ok());
    const struct {
        std::string text;
        std::size_t offset;
        std::string error;
        const char* flags = "";
    } cases[] = {
        {"1234{ENTR}", 4, "Unknown key name \"{ENTR}\" at position 5 of the keyboard mask."},
        {"ab{TAB", 2, "The \"{\" at position 3 of the keyboard mask has no closing \"}\"."},
        {"{", 0, open},
        {"{}", 0, open},
        {"{a}", 0, open, ".F."},  // a field's brace never closes the mask's
        {"a}", 1, "The \"}\" at position 2 of the keyboard mask has no opening \"{\"."},
        {"+(ab", 1, "The \"(\" at position 2 of the keyboard mask has no closing \")\"."},
        {"ab)", 2, "The \")\" at position 3 of the keyboard mask has no opening \"(\"."},
        {"x()", 1, "The group \"()\" at position 2 of the keyboard mask contains no key."},
        {"ab+", 2, "The Shift sign \"+\" at position 3 of the keyboard mask has no key after it."},
        {"(a^)", 2, "The Ctrl sign \"^\" at position 3 of the keyboard mask has no key after it."},
        {"\xC3\xA9%", 2,
         "The Alt sign \"%\" at position 2 of the keyboard mask has no key after it."},
        {"{a 1001}", 0,
         "The repeat count in \"{a 1001}\" at position 1 of the keyboard mask is above the limit "
         "of 1000."},
        {"{a 99999999999999999999}", 0,
         "The repeat count in \"{a 99999999999999999999}\" at position 1 of the keyboard mask is "
         "above the limit of 1000."},
        {"{a x}", 0,
         "The repeat count \"x\" in \"{a x}\" at position 1 of the keyboard mask is not a whole "
         "number."},
        {"{TAB -1}", 0,
         "The repeat count \"-1\" in \"{TAB -1}\" at position 1 of the keyboard mask is not a "
         "whole number."},
        {huge + "b", 800, "The keyboard mask makes more than 100000 keystrokes by position 801."},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(c.text, Flags(c.flags));
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.errorOffset, c.offset) << c.text;
        EXPECT_TRUE(r.actions.empty()) << c.text;
    }
}

}  // namespace
}  // namespace blenvar
