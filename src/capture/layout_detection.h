#pragma once
// Which keyboard layout a scanner types in, from one scan of a known test barcode: the
// layouts whose keys turn the scan's key events into exactly the barcode's text.
#include <array>
#include <bitset>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "capture/hook_library.h"

namespace blenvar {

// The text of the test barcode. Its letters and signs sit on other keys or need other
// modifiers on the common layouts (us, gb, de, fr, cz, ...), so few layouts type it alike.
inline constexpr std::string_view kLayoutTestText = "Aq7zw@y#m;!&:";

// A layout or variant as an XKB rules list names it.
struct LayoutEntry {
    std::string name;         // as ScannerLayout takes it: "de", "cz(qwerty)"
    std::string description;  // "German"
};

// The layouts, then the variants ("layout(variant)"), of an XKB rules list (evdev.lst).
std::vector<LayoutEntry> ParseLayoutList(std::istream& in);

// What each Linux key code types on one layout, looked up while matching.
struct LayoutTable {
    LayoutEntry entry;
    // By key code: the character with nothing, Shift, Level3 (AltGr) and both held; 0 for
    // none (dead keys among them).
    std::array<std::array<char32_t, 4>, 256> keys{};
    std::bitset<256> shift;   // keys that are Shift on this layout
    std::bitset<256> level3;  // keys that are AltGr
};

// The text `events` type on `table`, without the Enter or Tab that ends a scan. A character
// typed with Ctrl or Alt held is U+FFFD: the test text has none.
std::u32string TypedOn(const LayoutTable& table, const std::vector<KeyEvent>& events);

struct LayoutMatch {
    // The layouts that type the test text exactly: the preferred ones, then base layouts,
    // then variants, each in the list's order.
    std::vector<const LayoutTable*> exact;
    // None exact: a layout that types the text with more around it (a prefix or suffix the
    // scanner adds), and all it typed.
    const LayoutTable* around = nullptr;
    std::u32string aroundText;
};

// `preferred`: layout names ranked first among equals, in this order (the desktop's, the
// locale's); many layouts type the test text alike.
LayoutMatch MatchLayouts(const std::vector<KeyEvent>& events,
                         const std::vector<LayoutTable>& tables,
                         const std::vector<std::string>& preferred,
                         std::string_view text = kLayoutTestText);

// The layout named after a locale's country ("fr_FR.UTF-8" gives "fr", "en_GB" "gb",
// "de_AT@euro" "at"); empty for "C", "POSIX" or no country.
std::string LayoutOfLocale(std::string_view locale);

}  // namespace blenvar
