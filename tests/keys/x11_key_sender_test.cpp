// Types into a real window on a private Xvfb and compares what arrived.
// gtest first: Xlib's None macro would break its headers.
#include <gtest/gtest.h>
// (keep the order)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "keys/literal_keys.h"
#include "keys/probe_session.h"
#include "output/typing_gate.h"
#include "platform/x11/x11_key_sender.h"

namespace blenvar {
namespace {

void SetLayout(const char* layout) {
    ASSERT_EQ(std::system((std::string("setxkbmap ") + layout).c_str()), 0) << layout;
}

class X11KeySenderTest : public test::ProbeTest {
  protected:
    void SetUp() override {
        ASSERT_NE(probe_, nullptr);
        dpy_ = XOpenDisplay(nullptr);
        ASSERT_NE(dpy_, nullptr);
    }

    void TearDown() override {
        // Whatever happened, no key may be left down.
        char down[32];
        XQueryKeymap(dpy_, down);
        for (int kc = 0; kc < 256; ++kc) {
            EXPECT_EQ((down[kc / 8] >> (kc % 8)) & 1, 0) << "key code " << kc << " still down";
        }
        XCloseDisplay(dpy_);
    }

    // Sends and returns exactly what the probe window received.
    std::string Type(const std::vector<KeyAction>& actions, std::size_t expectBytes) {
        return Received(expectBytes, [&] {
            std::string error;
            EXPECT_TRUE(sender_.Send(actions, error)) << error;
        });
    }

    // fields: 'F' marks a byte from a scanned field, typed as it is.
    std::string TypeNotation(const std::string& text, std::size_t expectBytes,
                             const std::string& fields = "") {
        std::vector<bool> literal;
        for (char c : fields) literal.push_back(c == 'F');
        const KeyParseResult parsed = ParseKeySequence(text, literal);
        EXPECT_TRUE(parsed.ok()) << parsed.error;
        return Type(parsed.actions, expectBytes);
    }

    bool CapsLocked() {
        XkbStateRec state{};
        XkbGetState(dpy_, XkbUseCoreKbd, &state);
        return (state.locked_mods & LockMask) != 0;
    }

    void LockCaps(bool on) {
        XkbLockModifiers(dpy_, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XSync(dpy_, False);
    }

    Display* dpy_ = nullptr;
    TypingGate gate_;
    X11KeySender sender_{&gate_};
};

TEST_F(X11KeySenderTest, NotationAndFieldsOnUsAndGermanLayouts) {
    struct Case {
        std::string text, want, fields = "";
    };
    std::vector<Case> cases = {
        {"+a+(bc)d~x{TAB}y{a 3}", "ABCd\nx\tyaaa"},
        {"^a%{F4}+^{HOME}{DEL}{BS}{ESC}{INS}{PGUP}{PGDN}{UP}{LEFT}{F12}{ENTER 2}",
         "<Ctrl+A><Alt+F4><Ctrl+Shift+Home><Del><Backspace><Esc><Ins><PgUp><PgDown><Up><Left>"
         "<F12>\n\n"},
    };
    // Scanned fields: every printable ASCII character in a scrambled order, and some outside
    // both layouts: é € 中 ß Ä ©.
    std::string noise;
    for (unsigned i = 0, x = 12345; i < 600; ++i, x = x * 1103515245u + 12345u)
        noise += char(' ' + (x >> 16) % 95);
    for (const std::string& field :
         {noise, std::string("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xC3\x9F\xC3\x84\xC2\xA9")})
        cases.push_back({field, field, std::string(field.size(), 'F')});
    for (const char* layout : {"us", "de"}) {
        SetLayout(layout);
        for (const Case& c : cases) {
            EXPECT_EQ(TypeNotation(c.text, c.want.size(), c.fields), c.want)
                << layout << ": " << c.text;
        }
    }
    SetLayout("us");
    // The mask's Shift also holds for the field's characters.
    EXPECT_EQ(TypeNotation("+(ab{DEL}+)~", 9, "..FFFFFFFF."), "AB{DEL}+\n");
}

TEST_F(X11KeySenderTest, CapsLockIsNeutralisedAndRestored) {
    LockCaps(true);
    EXPECT_EQ(TypeNotation("aB1", 3), "aB1");
    EXPECT_TRUE(CapsLocked());
    // Typed Caps Lock keys still count: two toggles leave it on.
    EXPECT_EQ(TypeNotation("{CAPSLOCK}a{CAPSLOCK}b", 16), "<CapsLock>A<CapsLock>b");
    EXPECT_TRUE(CapsLocked());
    LockCaps(false);
    EXPECT_EQ(TypeNotation("{CAPSLOCK}a", 11), "<CapsLock>A");
    EXPECT_TRUE(CapsLocked());
    LockCaps(false);
}

// A spare key code keeps its character for the hold time, so the same
// character comes back on it; then it is restored, at the latest when the
// sender goes. More characters than spare key codes reuse the oldest.
TEST_F(X11KeySenderTest, SpareKeyCodesAreHeldReusedAndRestored) {
    using namespace std::chrono_literals;
    const auto bound = [this](const std::vector<unsigned>& codes) {
        std::vector<bool> result;
        for (unsigned code : codes) {
            int perCode = 0;
            KeySym* syms = XGetKeyboardMapping(dpy_, KeyCode(code), 1, &perCode);
            result.push_back(syms != nullptr && syms[0] != NoSymbol);
            if (syms != nullptr) XFree(syms);
        }
        return result;
    };
    const std::string text = "\xE4\xB8\xAD\xE2\x82\xAC";  // 中€
    std::string error;
    std::vector<unsigned> codes;
    {
        X11KeySenderOptions options;
        options.remapHoldMs = 300;
        X11KeySender sender(nullptr, options);
        const auto start = std::chrono::steady_clock::now();
        // Read each time: the window must have the keys before they are restored.
        const auto type = [&](const std::string& t) {
            EXPECT_EQ(
                Received(t.size(),
                         [&] { EXPECT_TRUE(sender.Send(test::LiteralKeys(t), error)) << error; }),
                t);
        };
        type(text);
        codes = sender.LastKeycodes();
        ASSERT_EQ(codes.size(), 2u);
        const auto due = sender.NextRestoreDeadline();
        ASSERT_TRUE(due.has_value());
        EXPECT_GE(*due, start + 300ms);
        sender.RestoreDue(*due - 1ms);
        EXPECT_EQ(bound(codes), std::vector<bool>(2, true));
        type(text);
        EXPECT_EQ(sender.LastKeycodes(), codes);
        sender.RestoreDue(*sender.NextRestoreDeadline());
        EXPECT_EQ(bound(codes), std::vector<bool>(2, false));
        EXPECT_FALSE(sender.NextRestoreDeadline().has_value());

        std::string many;  // 64 CJK characters, more than Xvfb has spare key codes
        for (int i = 0; i < 64; ++i) many += {'\xE4', '\xB8', char(0x80 + i)};
        type(many);
        codes = sender.LastKeycodes();
    }
    EXPECT_EQ(bound(codes), std::vector<bool>(codes.size(), false));
}

// An Xlib client reads the keymap when it gets to the mapping notice or the
// key, so a spare key code bound between keys or restored too early reaches
// it as NoSymbol. tests/keys.cmake also runs this alone on a row of fresh
// servers, where it was seen to fail.
TEST(X11KeySenderXlibClient, ReadsCharactersTheLayoutLacks) {
    test::ProbeSession probe;
    std::string error;
    ASSERT_TRUE(probe.Start(BLENVAR_XLIBPROBE, error)) << error;
    X11KeySender sender;
    // 中€ĳ, again in another order, then with ŋ new while the others are held.
    for (const std::string text :
         {"\xE4\xB8\xAD\xE2\x82\xAC\xC4\xB3", "\xC4\xB3\xE2\x82\xAC\xE4\xB8\xAD",
          "a\xE4\xB8\xAD\xC5\x8B\xE2\x82\xAC"}) {
        const std::size_t from = probe.Size();
        ASSERT_TRUE(sender.Send(test::LiteralKeys(text), error)) << error;
        EXPECT_EQ(probe.ReadSince(from, text.size()), text);
    }
    sender.RestoreDue(std::chrono::steady_clock::time_point::max());  // spare the hold at exit
}

TEST(X11KeySenderNoDisplay, ReportsInsteadOfCrashing) {
    X11KeySender sender(nullptr, {.display = ":4242"});
    std::string error;
    EXPECT_FALSE(sender.Send(test::LiteralKeys("a"), error));
    EXPECT_EQ(error, "The X display could not be opened to type the keys.");
}

}  // namespace
}  // namespace blenvar
