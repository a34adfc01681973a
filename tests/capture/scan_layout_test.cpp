#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <sstream>

#include "capture/capture_machine.h"
#include "capture/key_table.h"
#include "platform/evdev/xkb_keymap.h"
#include "platform/evdev/xkb_scan_translator.h"

namespace blenvar {
namespace {

using namespace std::string_literals;

// Chords apart by blanks: "mods:codes", Linux key codes joined by ','. The mods s, c, a
// and g (Shift, Ctrl, Alt, AltGr) are held around the keys; n: the backend's Num Lock on.
std::string Type(ScanTranslator* t, const std::string& strokes) {
    std::string out;
    HeldModifiers held;
    bool numLock = false;
    const auto key = [&](int code, bool press) {
        for (const KeyEvent& e : ReportKey(code, press, held, numLock, 0)) out += ScanText(t, e);
    };
    const struct {
        char name;
        int code;
        bool HeldModifiers::*bit;
    } mods[] = {{'s', 42, &HeldModifiers::shift},
                {'c', 29, &HeldModifiers::ctrl},
                {'a', 56, &HeldModifiers::alt},
                {'g', 100, nullptr}};
    if (t) t->Begin();
    std::istringstream in(strokes);
    for (std::string chord; in >> chord;) {
        const std::size_t colon = chord.find(':');
        const std::string named = colon == std::string::npos ? "" : chord.substr(0, colon);
        numLock = named.find('n') != std::string::npos;
        for (const auto& m : mods) {
            if (named.find(m.name) == std::string::npos) continue;
            key(m.code, true);
            if (m.bit) held.*m.bit = true;
        }
        std::istringstream codes(chord.substr(colon + 1));
        for (std::string code; std::getline(codes, code, ',');) {
            key(std::stoi(code), true);
            key(std::stoi(code), false);
        }
        for (const auto& m : mods) {
            if (named.find(m.name) == std::string::npos) continue;
            key(m.code, false);
            if (m.bit) held.*m.bit = false;
        }
    }
    return out;
}

TEST(ScanLayout, KeyStrokesGiveTheLayoutsCharacters) {
    const struct {
        const char* layout;  // "": the fixed US table
        int codePage;
        const char* strokes;
        std::string want;
    } cases[] = {
        {"", 437, "s:2 16 s:30 15 28 c:27 n:79 a:82,79,81,82", "!qA"},
        {"us", 437, "s:2 16 s:30 58 30 15 28", "!qAa\t\r"},
        {"us", 437, "c:30 c:27 c:26 c:43 cs:7 cs:12 c:2 c:7 cs:3",
         "\x01\x1d\x1b\x1c\x1e\x1f"s + '\0'},
        {"us", 437, "n:79,80,81,55,74,78,98,83 79,80", "123*-+/."},
        {"us", 437, "a:79,81,82 a:82,79,81,82 a:80,73 a:82,79,80,73 a:81,80,82", "é‚\x1d\xc2\x81@"},
        {"us", 850, "a:79,76,76 a:82,79,76,76 a:79,80,71", "ø›\x7f"},
        {"us", 852, "a:79,75,80 a:82,79,75,80", "ÄŽ"},
        {"fr", 437, "g:12 s:46 s:2 s:11 cg:12 s:2,11 s:3",
         "]C10\x1d"
         "102"},
        {"fr", 437, "3 16 c:16 c:27 cs:12 s:12 26,18 s:26,16 26,57", "éa\x01\x1d\x1f°êÄ^"},
        {"fr", 437, "n:79,83 g:18 g:11", "1.€@"},
        {"de", 437, "21 44 g:16 13,18 s:13,30 c:27 c:7 s:7", "zy@éÀ\x1d&"},
        {"gb", 437, "s:4 s:40 43 s:43 c:27 s:5", "£@#~\x1d$"},
        {"cz", 437, "3 s:3 g:3 13,18 s:13,31 21", "ě2@éŠz"},
        {"cz(qwerty)", 437, "21 44 s:2", "yz1"},
    };
    for (const auto& c : cases) {
        std::string error;
        std::unique_ptr<ScanTranslator> t;
        if (*c.layout) t = MakeXkbScanTranslator(c.layout, c.codePage, error);
        ASSERT_TRUE(t || !*c.layout) << c.layout << ": " << error;
        EXPECT_EQ(Type(t.get(), c.strokes), c.want) << c.layout << " " << c.strokes;
    }
}

// From the scanner alone, an Enter stop the scanner goes on after is a line break.
TEST(ScanLayout, EnterStopIsDataUnlessTheGapFollows) {
    for (const bool layout : {false, true}) {
        std::string error;
        CaptureMachine m;
        m.SetKeys({}, {kActionRelease, 0, 13, 28});
        m.SetScannerMode(true, 100);
        if (layout) m.SetTranslator(MakeXkbScanTranslator("us", 437, error));
        std::vector<std::string> scans;
        std::uint64_t now = 0;
        for (const int code : {30, 28, 48, 28})
            for (const bool press : {true, false})
                for (KeyEvent e : ReportKey(code, press, {}, false, now += 10)) {
                    e.fromScanner = true;
                    if (auto scan = m.OnKey(e).scan) scans.push_back(*scan);
                }
        if (auto scan = m.Tick(now + 100).scan) scans.push_back(*scan);
        const std::vector<std::string> want =
            layout ? std::vector<std::string>{"a\rb"} : std::vector<std::string>{"a", "b"};
        EXPECT_EQ(scans, want);
    }
}

// A scan of the test barcode as a scanner on each layout types it (the keys XkbKeymap
// finds), then Enter; the layout is found among all the system's, unless a prefix is sent.
TEST(ScanLayout, DetectsTheLayoutATestScanWasTypedOn) {
    const std::atomic<bool> cancel{false};
    const std::vector<LayoutTable> tables = BuildLayoutTables(SystemLayouts(), cancel);
    ASSERT_GT(tables.size(), 100u);
    // On a us desktop; the user's locale ranks look-alikes (fr and dz type this text alike).
    const struct {
        const char* typedOn;
        const char* locale;
        const char* prefix;
        const char* want;  // "": none matches
    } cases[] = {{"us", "C", "", "us"},
                 {"fr", "fr_FR.UTF-8", "", "fr"},
                 {"de", "de_DE.UTF-8", "", "de"},
                 {"gb", "en_GB", "", "gb"},
                 {"fr", "fr_FR", "X", ""}};
    for (const auto& c : cases) {
        std::string error;
        const auto keymap = XkbKeymap::Load({c.typedOn, "", ""}, error);
        ASSERT_TRUE(keymap) << error;
        std::vector<KeyEvent> scan;
        const auto key = [&](int code, bool press, bool shift) {
            for (const KeyEvent& e : ReportKey(code, press, {shift}, false, 0)) scan.push_back(e);
        };
        for (const char ch : std::string(c.prefix) + std::string(kLayoutTestText) + "\r") {
            const auto stroke = keymap->Find(char32_t(ch));
            ASSERT_TRUE(stroke) << ch;
            const bool shift = stroke->modifiers & kStrokeShift;
            const bool level3 = stroke->modifiers & kStrokeLevel3;
            if (shift) key(42, true, false);
            if (level3) key(100, true, shift);
            key(stroke->code, true, shift);
            key(stroke->code, false, shift);
            if (level3) key(100, false, shift);
            if (shift) key(42, false, true);
        }
        const LayoutMatch match = MatchLayouts(scan, tables, {"us", LayoutOfLocale(c.locale)});
        EXPECT_EQ(match.exact.empty() ? "" : match.exact[0]->entry.name, c.want) << c.typedOn;
        EXPECT_EQ(match.around != nullptr, !*c.want) << c.typedOn;
    }
}

}  // namespace
}  // namespace blenvar
