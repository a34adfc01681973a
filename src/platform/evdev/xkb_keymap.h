#pragma once
// Which key types a character on an XKB layout, for typing through a virtual keyboard.
// On Wayland and the console no X server tells us the keymap (the compositor holds it),
// so the layout comes from the KeyboardLayout setting or the system's keyboard
// configuration, compiled here with libxkbcommon. Plain C++, no Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "capture/evdev_translate.h"

namespace blenvar {

// An XKB layout as the rules name it; lists like "de,us" are allowed, the first counts.
struct XkbLayoutName {
    std::string layout;
    std::string variant;
    std::string options;

    bool operator==(const XkbLayoutName&) const = default;
};

// The setting's "layout" or "layout(variant)", blanks trimmed; nullopt when empty or
// not a layout name (ParseLayoutName).
std::optional<XkbLayoutName> ParseLayoutSetting(std::string_view setting);

// The setting when it names a layout, else XKBLAYOUT/XKBVARIANT/XKBOPTIONS of the
// keyboard configuration file (Debian's /etc/default/keyboard), else the environment's
// XKB_DEFAULT_LAYOUT/_VARIANT/_OPTIONS, else "us". A malformed setting is an error so a
// typo is not silently replaced by another layout.
std::optional<XkbLayoutName> ResolveKeyboardLayout(
    std::string_view setting, std::string& error,
    const std::string& configFile = "/etc/default/keyboard");

// "de(nodeadkeys)" style, for messages.
std::string DescribeLayout(const XkbLayoutName& name);

enum StrokeModifier : std::uint8_t { kStrokeShift = 1, kStrokeLevel3 = 2 };

// A key and the modifiers that select the level carrying the character.
struct KeyStroke {
    std::uint16_t code = 0;  // Linux key code (XKB keycode - 8)
    std::uint8_t modifiers = 0;

    bool operator==(const KeyStroke&) const = default;
};

class XkbKeymap {
  public:
    // includePath: the XKB data folder; empty for libxkbcommon's default
    // (/usr/share/X11/xkb). Empty with `error` set when the layout does not compile.
    static std::optional<XkbKeymap> Load(const XkbLayoutName& name, std::string& error,
                                         const std::string& includePath = {});
    // The key of the first layout group that types `c` with the fewest of Shift and
    // Level3 held; dead keys and the keypad are never used. nullopt: not on this layout.
    std::optional<KeyStroke> Find(char32_t c) const;
    // The key whose first level is `keysym` (modifier keys), if any.
    std::optional<std::uint16_t> KeyForKeysym(std::uint32_t keysym) const;
    // Which keys capture counts as Shift, Ctrl, Alt and Meta on this layout, as an X server
    // with it reports them: Alt and Meta are the modifiers of Alt_L and Super_L.
    const ModifierKeys& CaptureModifiers() const { return modifiers_; }
    const XkbLayoutName& Name() const { return name_; }

  private:
    XkbKeymap() = default;
    XkbLayoutName name_;
    std::unordered_map<char32_t, KeyStroke> byChar_;
    std::unordered_map<std::uint32_t, std::uint16_t> byKeysym_;
    ModifierKeys modifiers_;
};

// The capture modifiers of the layout `layoutSetting` (KeyboardLayout) resolves to; a US
// layout's when it cannot be loaded (typing reports that layout's problem itself).
ModifierKeys CaptureModifiersFor(std::string_view layoutSetting);

}  // namespace blenvar
