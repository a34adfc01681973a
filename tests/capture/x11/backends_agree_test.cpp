// One physical key sequence through both backends on the same XKB layout: XTest key codes
// (Linux code + 8) into the X server for X11Capture, and the same Linux codes as kernel
// events into EvdevTranslator with the layout's modifier keys. Every reported event must
// agree, line by line. Runs under tests/support/with-desktop --x.
// gtest and Qt first: Xlib's macros (None, Bool) break their headers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
// (keep the order)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "capture/evdev_translate.h"
#include "output/typing_gate.h"
#include "platform/x11/x11_capture.h"
#include "platform/evdev/xkb_keymap.h"

namespace blenvar {
namespace {

using Lines = std::vector<std::string>;

struct Step {
    unsigned short code;
    int value;  // 1 press, 0 release, 2 auto-repeat
};

std::vector<Step> Tap(unsigned short code) {
    return {{code, 1}, {code, 0}};
}
// `keys` tapped while `mods` are held, pressed in order and released in reverse.
std::vector<Step> With(std::vector<unsigned short> mods, std::vector<unsigned short> keys) {
    std::vector<Step> steps;
    for (unsigned short m : mods) steps.push_back({m, 1});
    for (unsigned short k : keys)
        for (const Step& s : Tap(k)) steps.push_back(s);
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) steps.push_back({*m, 0});
    return steps;
}

// Letters that move between layouts, Shift over punctuation and digits, every modifier
// key (right Alt is AltGr on de, alone and with Shift), dead keys (^ and ´ on de), the
// keypad with Num Lock off, on and under Shift, and Caps Lock.
std::vector<Step> Sequence() {
    const std::vector<std::vector<Step>> parts = {
        With({}, {KEY_A, KEY_Z, KEY_Y, KEY_1, KEY_ENTER, KEY_SPACE, KEY_102ND}),
        With({KEY_LEFTSHIFT}, {KEY_A, KEY_SLASH, KEY_1}),
        With({KEY_RIGHTSHIFT}, {KEY_2, KEY_MINUS}),
        With({KEY_LEFTCTRL}, {KEY_C}),
        With({KEY_RIGHTCTRL}, {KEY_A}),
        With({KEY_LEFTALT}, {KEY_B}),
        With({KEY_RIGHTALT}, {KEY_Q, KEY_E, KEY_7}),
        With({KEY_LEFTSHIFT, KEY_RIGHTALT}, {KEY_Q, KEY_COMMA}),
        With({KEY_LEFTMETA}, {KEY_C}),
        With({KEY_RIGHTMETA}, {KEY_D}),
        With({}, {KEY_GRAVE, KEY_E, KEY_EQUAL, KEY_A, KEY_EQUAL, KEY_SPACE}),
        With({}, {KEY_KP7, KEY_KPDOT, KEY_NUMLOCK, KEY_KP7, KEY_KPDOT}),
        With({KEY_LEFTSHIFT}, {KEY_KP7}),
        With({}, {KEY_NUMLOCK, KEY_CAPSLOCK, KEY_A, KEY_CAPSLOCK}),
        // XTest cannot repeat a letter (the server drops a second press); a held Shift
        // repeats nothing on either.
        {{KEY_LEFTSHIFT, 1}, {KEY_LEFTSHIFT, 2}, {KEY_B, 1}, {KEY_B, 0}, {KEY_LEFTSHIFT, 0}},
    };
    std::vector<Step> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::string Line(const KeyEvent& e) {
    return std::to_string(e.Action) + " " + std::to_string(e.State) + " " +
           std::to_string(e.VCode) + " " + std::to_string(e.SCode);
}

Lines ThroughEvdev(const std::vector<Step>& steps, const ModifierKeys& modifiers) {
    // A keyboard without a Num Lock LED keeps its own Num Lock, off at first, as Xvfb's is.
    EvdevTranslator translator("keyboard", false, false, modifiers);
    Lines lines;
    for (const Step& s : steps) {
        input_event ev{};
        ev.type = EV_KEY;
        ev.code = s.code;
        ev.value = s.value;
        for (const KeyEvent& e : translator.Translate(ev)) lines.push_back(Line(e));
        ev.type = EV_SYN;
        ev.code = SYN_REPORT;
        ev.value = 0;
        translator.Translate(ev);
    }
    return lines;
}

// The keyboard is held, so every key reaches the callback and none reaches a window.
Lines ThroughX11(const std::vector<Step>& steps, std::size_t expected) {
    TypingGate gate;
    X11Capture capture(gate);
    EXPECT_TRUE(capture.Connected());
    Lines lines;
    InstallHook(capture, [&](const KeyEvent& e) {
        lines.push_back(Line(e));
        return kConsumeKey;
    });
    capture.HoldKeyboard(true);
    QCoreApplication::processEvents();

    Display* dpy = XOpenDisplay(nullptr);
    EXPECT_NE(dpy, nullptr);
    if (dpy == nullptr) return lines;
    // Only the steps' own repeats: the server's timer must not add any on a slow machine.
    XAutoRepeatOff(dpy);
    for (const Step& s : steps)
        XTestFakeKeyEvent(dpy, s.code + 8, s.value != 0 ? True : False, CurrentTime);
    XSync(dpy, False);
    QElapsedTimer waited;
    waited.start();
    while (lines.size() < expected && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // Anything beyond the expected shows up too.
    for (QElapsedTimer more; !more.isValid() || more.elapsed() < 200;) {
        if (!more.isValid()) more.start();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    XAutoRepeatOn(dpy);
    XCloseDisplay(dpy);
    capture.HoldKeyboard(false);
    RemoveHook(capture);
    return lines;
}

std::string Text(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

bool UseLayout(const std::string& layout) {
    return std::system(("setxkbmap " + layout).c_str()) == 0;
}

TEST(BackendsAgree, SamePhysicalKeysGiveTheSameEventsOnUsAndDe) {
    // Held open throughout: the server resets to its own layout when its last client leaves.
    Display* keep = XOpenDisplay(nullptr);
    ASSERT_NE(keep, nullptr) << "run under with-desktop --x";
    const std::vector<Step> steps = Sequence();
    for (const std::string layout : {"us", "de"}) {
        SCOPED_TRACE(layout);
        ASSERT_TRUE(UseLayout(layout));
        std::string error;
        const auto keymap = XkbKeymap::Load({layout, "", ""}, error);
        ASSERT_TRUE(keymap) << error;
        const Lines evdev = ThroughEvdev(steps, keymap->CaptureModifiers());
        const Lines x11 = ThroughX11(steps, evdev.size());
        // As text, so a failure shows where the lines ("A S V C") part.
        EXPECT_EQ(Text(evdev), Text(x11));
    }
    UseLayout("us");
    XCloseDisplay(keep);
}

}  // namespace
}  // namespace blenvar

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
