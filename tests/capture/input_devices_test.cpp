// Which devices are grabbed, how the scanner's identity is kept, which backend runs.
#include "capture/input_devices.h"

#include <gtest/gtest.h>
#include <linux/input.h>

#include <array>
#include <initializer_list>

#include "capture/backend_choice.h"
#include "capture/scan_sources.h"

namespace blenvar {
namespace {

using KeyBits = std::array<std::uint8_t, KEY_CNT / 8>;

KeyBits Bits(std::initializer_list<unsigned> codes, unsigned from = 0, unsigned to = 0) {
    KeyBits bits{};
    const auto set = [&](unsigned c) { bits[c / 8] |= std::uint8_t(1u << (c % 8)); };
    for (unsigned c : codes) set(c);
    for (unsigned c = from; c < to; ++c) set(c);
    return bits;
}

// The stored text survives any name and matches the way
// both backends see devices (X11 often without vendor and product).
TEST(ScannerDevice, TextAndMatching) {
    const struct {
        const char* text;
        std::optional<ScannerId> parsed;
    } texts[] = {
        {"Honeywell Scanner|0c2e:0b61", ScannerId{"Honeywell Scanner", 0x0c2e, 0x0b61}},
        {"  Honeywell Scanner  ", ScannerId{"Honeywell Scanner", {}, {}}},
        {"a|b|0C2E:0B61", ScannerId{"a|b", 0x0c2e, 0x0b61}},
        {"Scanner|0c2e:0b6x", ScannerId{"Scanner|0c2e:0b6x", {}, {}}},
        {"", std::nullopt},
        {" |0c2e:0b61", std::nullopt},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(ParseScanner(t.text), t.parsed) << t.text;
        if (t.parsed) {
            EXPECT_EQ(ParseScanner(ScannerText(*t.parsed)), t.parsed) << t.text;
        }
    }
    EXPECT_EQ(ScannerText({"new\nline\x7f", 1, 0xabcd}), "new line|0001:abcd");

    const ScannerId full{"Scanner", 0x0c2e, 0x0b61};
    const ScannerId nameOnly{"Scanner", {}, {}};
    using Ids = std::optional<std::uint16_t>;
    const struct {
        const ScannerId& scanner;
        const char* name;
        Ids vendor, product;
        bool matches;
    } matches[] = {
        {full, "Scanner", 0x0c2e, 0x0b61, true},
        {full, "Scanner ", {}, {}, true},  // X11 without the product property
        {full, "Scanner", 0x0c2e, 0x0b62, false},
        {full, "scanner", 0x0c2e, 0x0b61, false},
        {nameOnly, "Scanner", 1, 2, true},
        {nameOnly, "Scanner XTEST keyboard", {}, {}, false},
    };
    for (const auto& m : matches)
        EXPECT_EQ(ScannerMatches(m.scanner, m.name, m.vendor, m.product), m.matches) << m.name;
}

TEST(InputDevices, KeyboardsAreKnownByTheirKeys) {
    const struct {
        const char* what;
        KeyBits bits;
        bool keyboard;
    } rows[] = {
        {"full keyboard", Bits({KEY_ENTER}, KEY_ESC, KEY_KPDOT + 1), true},
        {"numeric scanner", Bits({KEY_ENTER}, KEY_1, KEY_0 + 1), true},
        {"keypad", Bits({KEY_KPENTER}, KEY_KP7, KEY_KPDOT + 1), true},
        {"letters only", Bits({KEY_ENTER, KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H,
                               KEY_I,     KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q,
                               KEY_R,     KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z}),
         true},
        {"digits without Enter", Bits({}, KEY_1, KEY_0 + 1), false},
        {"Enter and nine digits", Bits({KEY_ENTER}, KEY_1, KEY_0), false},
        {"mouse", Bits({BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}), false},
        {"power button", Bits({KEY_POWER}), false},
        {"media remote", Bits({KEY_ENTER, KEY_VOLUMEUP, KEY_PLAYPAUSE}), false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsKeyboard(r.bits), r.keyboard) << r.what;
    EXPECT_FALSE(
        IsKeyboard(std::span<const std::uint8_t>(Bits({KEY_ENTER}, KEY_1, KEY_0 + 1)).first(1)));
}

TEST(InputDevices, DevicesToGrab) {
    const DeviceIdentity scanner{BUS_USB, 0x0c2e, 0x0b61, "Scanner", "usb-1/input0"};
    DeviceIdentity moved = scanner;
    moved.phys = "usb-4/input0";
    const ScannerId trained = ScannerIdOf(scanner);
    DeviceIdentity own = OwnKeyboardIdentity();
    own.phys = "uinput-7";
    const InputDevice devices[] = {
        {"/dev/input/event0", {BUS_I8042, 1, 1, "AT keyboard", "isa0060"}, true},
        {"/dev/input/event1", {BUS_USB, 0x046d, 0xc077, "Mouse", "usb-2"}, false},
        {"/dev/input/event2", scanner, true},
        {"/dev/input/event3", own, true},
    };
    const InputDevice replugged[] = {devices[0], {"/dev/input/event5", moved, true}};
    const InputDevice twoScanners[] = {devices[0], devices[2], {"/dev/input/event6", moved, true}};
    const struct {
        const char* what;
        std::span<const InputDevice> devices;
        CaptureDevices mode;
        std::optional<ScannerId> scanner;
        std::vector<std::size_t> grabbed;
    } rows[] = {
        {"all keyboards but ours", devices, CaptureDevices::All, trained, {0, 2}},
        {"the scanner alone", devices, CaptureDevices::Scanner, trained, {2}},
        {"scanner on another port", replugged, CaptureDevices::Scanner, trained, {1}},
        {"two identical scanners", twoScanners, CaptureDevices::Scanner, trained, {1, 2}},
        {"scanner absent", replugged, CaptureDevices::Scanner, ScannerId{"Other", 1, 2}, {}},
        {"no scanner recorded: like All", devices, CaptureDevices::Scanner, std::nullopt, {0, 2}},
        {"our own keyboard as the scanner", devices, CaptureDevices::Scanner, ScannerIdOf(own), {}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DevicesToGrab(r.devices, r.mode, r.scanner), r.grabbed) << r.what;
    }
}

// The recorded scanner unplugged keeps a row of its own.
TEST(ScanSources, StateOfEachSource) {
    using A = ScanSourceAccess;
    const auto source = [](ScanSourceKind kind, const char* name, A access = A::Readable) {
        return ScanSource{kind, name, "/dev/x", 0x0c2e, 0x0b61, access};
    };
    CaptureSetup all, scannerOnly, auto_;
    scannerOnly.devices = CaptureDevices::Scanner;
    scannerOnly.scannerDevice = "Scanner|0c2e:0b61";
    auto_.posScanners = true;
    const struct {
        ScanSource found;
        const CaptureSetup& setup;
        bool x11;
        std::string states;
    } rows[] = {
        {source(ScanSourceKind::Keyboard, "Keys"), scannerOnly, false,
         "missing; not used: not the recorded scanner"},
        {source(ScanSourceKind::Keyboard, "Scanner"), scannerOnly, false, "in use"},
        {source(ScanSourceKind::Keyboard, "Keys", A::Denied), all, false,
         "no permission: needs the input group"},
        {source(ScanSourceKind::Keyboard, "Keys", A::Denied), all, true, "in use"},
        {source(ScanSourceKind::HidPos, "POS"), all, false, "not used: PosScanners is Off"},
        {source(ScanSourceKind::HidPos, "POS", A::Denied), auto_, false,
         "no permission: needs the input group or the udev rule of blenvar's package"},
        {source(ScanSourceKind::Serial, "/dev/ttyACM0", A::Denied), all, false,
         "no permission: needs the dialout group"},
    };
    for (const auto& r : rows) {
        std::string states;
        for (const SourceRow& row : SourceRows({r.found}, r.setup, r.x11))
            states += (states.empty() ? "" : "; ") + row.state;
        EXPECT_EQ(states, r.states) << r.found.name << " x11 " << r.x11;
    }
}

TEST(BackendChoice, Table) {
    using K = KeyboardBackend;
    const struct {
        K setting;
        const char* session;
        const char* waylandDisplay;
        bool display;
        BackendKind chosen;
    } rows[] = {
        {K::Auto, "x11", "", true, BackendKind::X11},
        {K::Auto, "wayland", "", true, BackendKind::Evdev},  // XWayland gives a display too
        {K::Auto, " Wayland", "", false, BackendKind::Evdev},
        {K::Auto, "tty", "", true, BackendKind::X11},             // startx from a console
        {K::Auto, "tty", "wayland-1", true, BackendKind::Evdev},  // a compositor from a console
        {K::Auto, "tty", "", false, BackendKind::Evdev},
        {K::Auto, "", "", true, BackendKind::X11},
        {K::Auto, "x11", "", false, BackendKind::Evdev},
        {K::X11, "wayland", "", false, BackendKind::X11},
        {K::Evdev, "x11", "", true, BackendKind::Evdev},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ChooseBackend(r.setting, WaylandSession(r.session, r.waylandDisplay), r.display),
                  r.chosen)
            << int(r.setting) << " " << r.session << " " << r.waylandDisplay << " " << r.display;
    }
}

}  // namespace
}  // namespace blenvar
