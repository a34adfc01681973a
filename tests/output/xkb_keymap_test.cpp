#include "platform/evdev/xkb_keymap.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "capture/key_table.h"
#include "keys/literal_keys.h"
#include "output/key_sequence.h"
#include "platform/evdev/uinput_key_sender.h"

namespace blenvar {
namespace {

constexpr std::uint8_t S = kStrokeShift, L3 = kStrokeLevel3;
const std::optional<KeyStroke> kNone;

TEST(XkbKeymap, FindsKeyAndLevelOnSystemLayoutsAndRefusesUnknownOnes) {
    const struct {
        const char* layout;
        char32_t c;
        std::optional<KeyStroke> want;
    } cases[] = {
        {"us", U'a', KeyStroke{KEY_A, 0}},
        {"us", U'Z', KeyStroke{KEY_Z, S}},
        {"us", U'@', KeyStroke{KEY_2, S}},
        {"us", U'{', KeyStroke{KEY_LEFTBRACE, S}},
        {"us", U' ', KeyStroke{KEY_SPACE, 0}},
        {"us", U'7', KeyStroke{KEY_7, 0}},  // the top row, not the keypad
        {"us", U'€', kNone},
        {"us", U'é', kNone},
        {"de", U'Z', KeyStroke{KEY_Y, S}},
        {"de", U'@', KeyStroke{KEY_Q, L3}},
        {"de", U'€', KeyStroke{KEY_E, L3}},
        {"de", U'ß', KeyStroke{KEY_MINUS, 0}},
        {"de", U'{', KeyStroke{KEY_7, L3}},
        {"de", U'é', kNone},  // only through the dead acute
        {"de", U'^', kNone},  // a dead key on de
        {"de(nodeadkeys)", U'^', KeyStroke{KEY_GRAVE, 0}},
        {"fr", U'a', KeyStroke{KEY_Q, 0}},
        {"fr", U'Z', KeyStroke{KEY_W, S}},
        {"fr", U'@', KeyStroke{KEY_0, L3}},
        {"fr", U'€', KeyStroke{KEY_E, L3}},
        {"fr", U'é', KeyStroke{KEY_2, 0}},
        {"fr", U'{', KeyStroke{KEY_4, L3}},
        {"fr", U'1', KeyStroke{KEY_1, S}},
        {"fr", U'ß', KeyStroke{KEY_S, L3}},
        {"fr", U'ñ', kNone},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto keymap = XkbKeymap::Load(*ParseLayoutSetting(c.layout), error);
        ASSERT_TRUE(keymap) << c.layout << ": " << error;
        EXPECT_EQ(keymap->Find(c.c), c.want) << c.layout << " U+" << std::hex << unsigned(c.c);
    }
}

// What capture counts as Shift, Ctrl, Alt and Meta; the backends test compares the same
// against a live X server for us and de.
TEST(XkbKeymap, CaptureModifiersFollowTheLayout) {
    const struct {
        XkbLayoutName layout;
        std::uint16_t key;
        std::int32_t state;
    } cases[] = {
        {{"us", "", ""}, KEY_RIGHTALT, kStateAlt},
        {{"us", "", ""}, KEY_LEFTMETA, kStateMeta},
        {{"us", "", ""}, KEY_RIGHTSHIFT, kStateShift},
        {{"us", "", ""}, KEY_CAPSLOCK, 0},
        {{"us", "", ""}, KEY_NUMLOCK, 0},
        {{"us", "", ""}, KEY_A, 0},
        {{"de", "", ""}, KEY_RIGHTALT, 0},  // AltGr
        {{"de", "", ""}, KEY_LEFTALT, kStateAlt},
        {{"de", "", ""}, KEY_RIGHTCTRL, kStateCtrl},
        {{"fr", "", ""}, KEY_RIGHTALT, 0},
        // Options move modifiers between keys.
        {{"us", "", "altwin:swap_alt_win"}, KEY_LEFTALT, kStateMeta},
        {{"us", "", "altwin:swap_alt_win"}, KEY_LEFTMETA, kStateAlt},
        {{"us", "", "ctrl:nocaps"}, KEY_CAPSLOCK, kStateCtrl},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto keymap = XkbKeymap::Load(c.layout, error);
        ASSERT_TRUE(keymap) << error;
        EXPECT_EQ(keymap->CaptureModifiers().Of(c.key), c.state)
            << DescribeLayout(c.layout) << " " << c.layout.options << " key " << c.key;
    }
    // A layout that cannot be loaded leaves capture with the US keyboard's.
    EXPECT_EQ(CaptureModifiersFor("xx-no-such").Of(KEY_RIGHTALT), kStateAlt);
    EXPECT_EQ(CaptureModifiersFor("de").Of(KEY_RIGHTALT), 0);
}

TEST(XkbKeymap, UnknownLayoutIsAnError) {
    std::string error;
    EXPECT_FALSE(XkbKeymap::Load({"xx-no-such", "", ""}, error));
    EXPECT_EQ(error, "The keyboard layout \"xx-no-such\" is not known.");
}

TEST(XkbKeymap, LayoutComesFromSettingThenSystemFileThenEnvironment) {
    const std::string file = ::testing::TempDir() + "blenvar-keyboard";
    struct Case {
        const char* setting;
        const char* fileText;  // nullptr: no file
        const char* envLayout;
        std::optional<XkbLayoutName> want;
    };
    const Case cases[] = {
        {" de(nodeadkeys) ", "XKBLAYOUT=\"fr\"\n", "us", XkbLayoutName{"de", "nodeadkeys", ""}},
        {"",
         "# x\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,us\"\nXKBVARIANT='nodeadkeys,'\n"
         "XKBOPTIONS=\"lv3:ralt_switch\"\n",
         "fr", XkbLayoutName{"de,us", "nodeadkeys,", "lv3:ralt_switch"}},
        {"", "XKBLAYOUT=\"\"\n", "fr", XkbLayoutName{"fr", "", ""}},
        {"", nullptr, "", XkbLayoutName{"us", "", ""}},
        {"de(nodeadkeys", nullptr, "", std::nullopt},
        {"(x)", nullptr, "", std::nullopt},
        {"de()", nullptr, "", std::nullopt},
        {"de( nodeadkeys)", nullptr, "", std::nullopt},
        // Names become paths in the XKB data: nothing may lead out of it.
        {"../../../../../home/someone/evil", nullptr, "", std::nullopt},
        {"de(../../../../tmp/evil)", nullptr, "", std::nullopt},
        {"/tmp/evil", nullptr, "", std::nullopt},
        {"de,us", nullptr, "", std::nullopt},
        {"us_intl-2(alt-intl_x)", nullptr, "", XkbLayoutName{"us_intl-2", "alt-intl_x", ""}},
    };
    for (const auto& c : cases) {
        std::remove(file.c_str());
        if (c.fileText != nullptr) std::ofstream(file) << c.fileText;
        setenv("XKB_DEFAULT_LAYOUT", c.envLayout, 1);
        std::string error;
        EXPECT_EQ(ResolveKeyboardLayout(c.setting, error, file), c.want) << c.setting;
        EXPECT_EQ(error.empty(), c.want.has_value()) << c.setting;
    }
    unsetenv("XKB_DEFAULT_LAYOUT");
    std::remove(file.c_str());
}

// The sender's key events, written as code*10+value (KEY_LEFTSHIFT press is 421).
struct Recorder {
    std::vector<int> events;
    int failAt = -1;
    UinputKeySender Sender(const char* layout) {
        UinputKeySenderOptions options;
        options.layoutSetting = layout;
        options.pauseMicros = 0;
        return UinputKeySender(
            [this](std::uint16_t code, std::int32_t value) {
                events.push_back(code * 10 + value);
                return int(events.size()) != failAt;
            },
            options);
    }
};

std::vector<KeyAction> Parse(const char* text) {
    return ParseKeySequence(text).actions;
}

// A scanned field typed literally, then the mask's notation: Shift and AltGr are pressed
// once for a run of characters that need them and let go before one that does not.
TEST(UinputKeySender, TypesEachCharacterWithItsLayoutsModifiers) {
    const auto tap = [](int code) { return std::vector<int>{code * 10 + 1, code * 10}; };
    const auto join = [](std::initializer_list<std::vector<int>> parts) {
        std::vector<int> out;
        for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const int shift = KEY_LEFTSHIFT * 10, altGr = KEY_RIGHTALT * 10;
    const struct {
        const char *layout, *before, *field, *after;
        std::vector<int> want;
    } cases[] = {
        {"us", "", "aZ@{+", "{TAB}~",
         join({tap(KEY_A),
               {shift + 1},
               tap(KEY_Z),
               tap(KEY_2),
               tap(KEY_LEFTBRACE),
               tap(KEY_EQUAL),
               {shift},
               tap(KEY_TAB),
               tap(KEY_ENTER)})},
        {"de", "+x", "aZ@\xC3\x9F{", "~",
         join({{shift + 1},
               tap(KEY_X),
               {shift},
               tap(KEY_A),
               {shift + 1},
               tap(KEY_Y),
               {shift, altGr + 1},
               tap(KEY_Q),
               {altGr},
               tap(KEY_MINUS),
               {altGr + 1},
               tap(KEY_7),
               {altGr},
               tap(KEY_ENTER)})},
    };
    for (const auto& c : cases) {
        std::vector<KeyAction> actions = Parse(c.before);
        for (const KeyAction& a : test::LiteralKeys(c.field)) actions.push_back(a);
        for (const KeyAction& a : Parse(c.after)) actions.push_back(a);
        Recorder r;
        std::string error;
        EXPECT_TRUE(r.Sender(c.layout).Send(actions, error)) << error;
        EXPECT_EQ(r.events, c.want) << c.layout;
    }
}

TEST(UinputKeySender, UntypableTextTypesNothingAndFailedWriteReleasesModifiers) {
    Recorder r;
    std::string error;
    EXPECT_FALSE(r.Sender("us").Send(Parse("ok\xE2\x82\xAC"), error));
    EXPECT_EQ(error, "The character U+20AC cannot be typed with the keyboard layout us.");
    EXPECT_TRUE(r.events.empty());

    Recorder bad;
    bad.failAt = 2;  // the press of A under Shift
    EXPECT_FALSE(bad.Sender("us").Send(Parse("AB"), error));
    EXPECT_EQ(bad.events, (std::vector<int>{KEY_LEFTSHIFT * 10 + 1, KEY_A * 10 + 1, KEY_A * 10,
                                            KEY_LEFTSHIFT * 10}));
    EXPECT_EQ(error, "The virtual keyboard refused some of the keys.");

    Recorder layout;
    EXPECT_FALSE(layout.Sender("de(").Send(Parse("a"), error));
    EXPECT_EQ(error,
              "The keyboard layout \"de(\" is not a keyboard layout name (letters, digits, _ "
              "and -, with an optional (variant)).");
}

}  // namespace
}  // namespace blenvar
