// Kernel event streams of physical keys: what the translator reports ("A S V C"), per
// device, with the kernel's time. The same keys as X11Capture reports them are compared
// live in tests/capture/x11/backends_agree_test.cpp.
#include "capture/evdev_translate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace blenvar {
namespace {

using Lines = std::vector<std::string>;

// A key as a keyboard sends it: MSC_SCAN, the key, SYN_REPORT; 10 ms apart.
struct Stream {
    std::vector<input_event> events;
    long usec = 0;

    input_event At(unsigned short type, unsigned short code, int value) {
        input_event ev{};
        ev.input_event_sec = usec / 1000000;
        ev.input_event_usec = usec % 1000000;
        ev.type = type;
        ev.code = code;
        ev.value = value;
        return ev;
    }
    Stream& Key(unsigned short code, int value) {
        events.push_back(At(EV_MSC, MSC_SCAN, 0x70000 + code));
        events.push_back(At(EV_KEY, code, value));
        events.push_back(At(EV_SYN, SYN_REPORT, 0));
        usec += 10000;
        return *this;
    }
    Stream& Raw(unsigned short type, unsigned short code, int value) {
        events.push_back(At(type, code, value));
        return *this;
    }
    Stream& Tap(unsigned short code) { return Key(code, 1).Key(code, 0); }
    Stream& Led(int on) {
        events.push_back(At(EV_LED, LED_NUML, on));
        return *this;
    }
};

Lines Translate(EvdevTranslator& t, const Stream& s) {
    Lines out;
    for (const input_event& ev : s.events) {
        for (const KeyEvent& e : t.Translate(ev)) {
            out.push_back(std::to_string(e.Action) + " " + std::to_string(e.State) + " " +
                          std::to_string(e.VCode) + " " + std::to_string(e.SCode));
        }
    }
    return out;
}

// The live comparison with X11Capture (capture_backends_test) cannot send these: XTest
// drops a second press of a held key, and X reports no mouse buttons as keys. The repeat
// lines were recorded from X11Capture on Xvfb.
TEST(EvdevTranslator, RepeatsAndWhatIsNoKey) {
    struct Row {
        const char* what;
        Stream keys;
        Lines x11;
    } rows[] = {
        {"auto-repeat: a key repeats as presses, a held Shift repeats nothing",
         Stream{}
             .Key(KEY_LEFTSHIFT, 1)
             .Key(KEY_LEFTSHIFT, 2)
             .Key(KEY_A, 1)
             .Key(KEY_A, 2)
             .Key(KEY_A, 2)
             .Key(KEY_A, 0)
             .Key(KEY_LEFTSHIFT, 0),
         {"1 0 16 42", "1 1 65 30", "4 1 65 30", "1 1 65 30", "4 1 65 30", "1 1 65 30", "4 1 65 30",
          "2 1 65 30", "2 1 16 42"}},
        {"mouse buttons and unknown event types report nothing",
         Stream{}.Tap(BTN_LEFT).Key(KEY_MAX, 1).Tap(KEY_ENTER),
         {"1 0 13 28", "4 0 13 28", "2 0 13 28"}},
    };
    for (Row& r : rows) {
        EvdevTranslator t("dev", false, false);
        EXPECT_EQ(Translate(t, r.keys), r.x11) << r.what;
    }
}

TEST(EvdevTranslator, ModifiersAndNumLockBelongToTheirDevice) {
    EvdevTranslator keyboard("keyboard", true, false), scanner("scanner", false, false);
    // Shift held on the keyboard; the scanner presses and lets go of its own Shift.
    Translate(keyboard, Stream{}.Key(KEY_LEFTSHIFT, 1));
    EXPECT_EQ(Translate(scanner, Stream{}.Tap(KEY_A)),
              (Lines{"1 0 65 30", "4 0 65 30", "2 0 65 30"}));
    Translate(scanner, Stream{}.Tap(KEY_RIGHTSHIFT));
    EXPECT_EQ(Translate(keyboard, Stream{}.Key(KEY_B, 1)), (Lines{"1 1 66 48", "4 1 66 48"}));

    // The keyboard has a Num Lock LED: its state is the LED's, whatever keys say.
    Translate(keyboard, Stream{}.Key(KEY_B, 0).Key(KEY_LEFTSHIFT, 0).Tap(KEY_NUMLOCK));
    EXPECT_FALSE(keyboard.NumLock());
    EXPECT_EQ(Translate(keyboard, Stream{}.Led(1).Key(KEY_KP1, 1)),
              (Lines{"1 0 97 79", "4 0 97 79"}));
    EXPECT_FALSE(scanner.NumLock());

    const std::uint8_t held[KEY_CNT / 8] = {0, 0, 0, 0, 0, 1u << (KEY_LEFTSHIFT % 8)};
    keyboard.SetHeldKeys(held);
    EXPECT_EQ(Translate(keyboard, Stream{}.Key(KEY_A, 1)), (Lines{"1 1 65 30", "4 1 65 30"}));
    keyboard.SetHeldKeys({});
}

TEST(EvdevTranslator, EventsCarryDeviceAndKernelTime) {
    EvdevTranslator t("usb scanner", false, false);
    Stream s;
    s.usec = 12'345'678'901;
    s.Key(KEY_A, 1);
    const KeyReports r = t.Translate(s.events[1]);
    ASSERT_EQ(r.count, 2u);
    for (const KeyEvent& e : r) {
        EXPECT_EQ(e.device, "usb scanner");
        EXPECT_EQ(e.timeMs, 12'345'678u);
    }
}

TEST(EvdevTranslator, DroppedEventsWaitForAResyncAndTheWayOut) {
    EvdevTranslator t("kbd", false, false);
    // Events up to the SYN_REPORT after SYN_DROPPED are incomplete: none is reported.
    Stream s;
    s.Key(KEY_A, 1).Raw(EV_SYN, SYN_DROPPED, 0).Raw(EV_KEY, KEY_B, 1).Raw(EV_KEY, KEY_B, 0);
    s.Raw(EV_SYN, SYN_REPORT, 0).Key(KEY_C, 1);
    EXPECT_EQ(Translate(t, s), (Lines{"1 0 65 30", "4 0 65 30", "1 0 67 46", "4 0 67 46"}));
    EXPECT_TRUE(t.TakeResync());
    EXPECT_FALSE(t.TakeResync());

    EXPECT_FALSE(t.WayOutHeld());
    Translate(t, Stream{}.Key(KEY_BACKSPACE, 1).Key(KEY_ESC, 1).Key(KEY_ENTER, 1));
    EXPECT_TRUE(t.WayOutHeld());
    Translate(t, Stream{}.Key(KEY_ESC, 0));
    EXPECT_FALSE(t.WayOutHeld());
}

}  // namespace
}  // namespace blenvar
