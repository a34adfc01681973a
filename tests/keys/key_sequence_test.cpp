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

TEST(KeySequence, EveryNamedKeyAndItsAliases) {
    const struct {
        const char* name;
        NamedKey key;
    } cases[] = {
        {"ENTER", NamedKey::Enter},
        {"tab", NamedKey::Tab},
        {"BACKSPACE", NamedKey::Backspace},
        {"bs", NamedKey::Backspace},
        {"BkSp", NamedKey::Backspace},
        {"DELETE", NamedKey::Delete},
        {"DEL", NamedKey::Delete},
        {"INSERT", NamedKey::Insert},
        {"INS", NamedKey::Insert},
        {"HOME", NamedKey::Home},
        {"END", NamedKey::End},
        {"PGUP", NamedKey::PageUp},
        {"PGDN", NamedKey::PageDown},
        {"UP", NamedKey::Up},
        {"DOWN", NamedKey::Down},
        {"LEFT", NamedKey::Left},
        {"RIGHT", NamedKey::Right},
        {"ESC", NamedKey::Escape},
        {"BREAK", NamedKey::Break},
        {"CAPSLOCK", NamedKey::CapsLock},
        {"NUMLOCK", NamedKey::NumLock},
        {"SCROLLLOCK", NamedKey::ScrollLock},
        {"PRTSC", NamedKey::PrintScreen},
        {"HELP", NamedKey::Help},
        {"F1", NamedKey::F1},
        {"f9", F(9)},
        {"F10", F(10)},
        {"F16", NamedKey::F16},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(std::string("{") + c.name + "}");
        EXPECT_TRUE(r.ok()) << c.name << ": " << r.error;
        EXPECT_EQ(r.actions, std::vector<KeyAction>{Key(c.key)}) << c.name;
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
        // A character is never completed across the field's edge.
        {"\xC3\xA9", "F.", {Ch(U'\u00C3'), Ch(U'\u00A9')}},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(c.text, Flags(c.flags));
        EXPECT_TRUE(r.ok()) << c.text << ": " << r.error;
        EXPECT_EQ(r.actions, c.want) << c.text;
    }
    EXPECT_EQ(LiteralKeyActions("+{x}\r\n%"),
              (std::vector<KeyAction>{Ch('+'), Ch('{'), Ch('x'), Ch('}'), Key(NamedKey::Enter),
                                      Ch('%')}));
}

TEST(KeySequence, MalformedSequencesSayWhatAndWhere) {
    const struct {
        std::string text;
        std::string flags;
        const char* error;
        std::size_t offset;
    } cases[] = {
        {"1234{ENTR}", "", "Unknown key name \"{ENTR}\" at position 5 of the keyboard mask.", 4},
        {"ab{TAB", "", "The \"{\" at position 3 of the keyboard mask has no closing \"}\".", 2},
        {"{", "", "The \"{\" at position 1 of the keyboard mask has no closing \"}\".", 0},
        {"{}", "", "The \"{\" at position 1 of the keyboard mask has no closing \"}\".", 0},
        // A field's brace never closes the mask's.
        {"{a}", ".F.", "The \"{\" at position 1 of the keyboard mask has no closing \"}\".", 0},
        {"a}", "", "The \"}\" at position 2 of the keyboard mask has no opening \"{\".", 1},
        {"+(ab", "", "The \"(\" at position 2 of the keyboard mask has no closing \")\".", 1},
        {"ab)", "", "The \")\" at position 3 of the keyboard mask has no opening \"(\".", 2},
        {"x()", "", "The group \"()\" at position 2 of the keyboard mask contains no key.", 1},
        {"ab+", "", "The Shift sign \"+\" at position 3 of the keyboard mask has no key after it.",
         2},
        {"(a^)", "", "The Ctrl sign \"^\" at position 3 of the keyboard mask has no key after it.",
         2},
        {"\xC3\xA9%", "",
         "The Alt sign \"%\" at position 2 of the keyboard mask has no key after it.", 2},
        {"{a 1001}", "",
         "The repeat count in \"{a 1001}\" at position 1 of the keyboard mask is above the limit "
         "of 1000.",
         0},
        {"{a 99999999999999999999}", "",
         "The repeat count in \"{a 99999999999999999999}\" at position 1 of the keyboard mask is "
         "above the limit of 1000.",
         0},
        {"{a x}", "",
         "The repeat count \"x\" in \"{a x}\" at position 1 of the keyboard mask is not a whole "
         "number.",
         0},
        {"{TAB -1}", "",
         "The repeat count \"-1\" in \"{TAB -1}\" at position 1 of the keyboard mask is not a "
         "whole number.",
         0},
    };
    for (const auto& c : cases) {
        const KeyParseResult r = ParseKeySequence(c.text, Flags(c.flags));
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.errorOffset, c.offset) << c.text;
        EXPECT_TRUE(r.actions.empty()) << c.text;
    }
}

TEST(KeySequence, RepeatsCannotBlowUpWithoutBound) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "{a 1000}";
    EXPECT_TRUE(ParseKeySequence(text).ok());
    text += "b";
    const KeyParseResult r = ParseKeySequence(text);
    EXPECT_EQ(r.error, "The keyboard mask makes more than 100000 keystrokes by position 801.");
    EXPECT_TRUE(r.actions.empty());
}

TEST(KeySequence, NamesRoundTrip) {
    for (int k = int(NamedKey::Enter); k <= int(NamedKey::F16); ++k) {
        const std::string name = NamedKeyName(NamedKey(k));
        const KeyParseResult r = ParseKeySequence("{" + name + "}");
        ASSERT_EQ(r.actions.size(), 1u) << name;
        EXPECT_EQ(r.actions[0].key, NamedKey(k)) << name;
    }
}

}  // namespace
}  // namespace blenvar
