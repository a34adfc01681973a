#pragma once
// The key-sequence notation of the keyboard action, parsed into key strokes
// before anything is typed, so a malformed sequence types nothing at all.
//
//   text            typed as characters (UTF-8; a byte that is not valid UTF-8
//                   stands for its Windows-1252 character, e.g. 0x80 is the euro
//                   sign and 0xE9 is e-acute, the way the old ANSI text read)
//   + ^ %           Shift, Ctrl, Alt held for the next key or "( ... )" group
//   ~               Enter
//   {NAME}          a named key, case-insensitive (ENTER, TAB, BS, F1 ... F16)
//   {x}             any single character typed literally: {+} {^} {%} {~} {(} {)} {{} {}}
//   {x n} {NAME n}  the key repeated n times, 0 <= n <= kMaxKeyRepeat
//
// Tab, CR and LF characters are typed as the Tab and Enter keys (CR LF is one
// Enter), ESC, FS, GS, RS and US as Ctrl with [ \ ] ^ _ (GS is Ctrl+]).
// Brackets have no meaning and are typed as they are.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace blenvar {

enum class NamedKey : std::uint8_t {
    Character,  // not a named key: the action types its character
    Enter,
    Tab,
    Backspace,
    Delete,
    Insert,
    Home,
    End,
    PageUp,
    PageDown,
    Up,
    Down,
    Left,
    Right,
    Escape,
    Break,
    CapsLock,
    NumLock,
    ScrollLock,
    PrintScreen,
    Help,
    F1,  // F2 ... F16 follow in order
    F16 = F1 + 15,
};

// Where a named key sits on every layout: its X keysym and its Linux input key code (the
// kernel has no Break: it is Pause with Ctrl held). Zero for Character.
struct NamedKeyCodes {
    std::uint32_t keysym = 0;
    std::uint16_t evdev = 0;
};
NamedKeyCodes CodesOf(NamedKey key);
// The named key on this Linux input key code, Character for none.
NamedKey NamedKeyAt(std::uint16_t evdev);
// How the user reads a named key: "Enter", "Page Up", "F9"; "" for Character.
std::string KeyWord(NamedKey key);

// "U+00E9": how a character that cannot be typed is named to the user.
std::string CharacterName(char32_t cp);
// False with `error` set for a control character or a value outside Unicode: no key
// sender types those, whatever the layout.
bool TypableCharacter(char32_t cp, std::string& error);

enum KeyModifier : std::uint8_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

// One key stroke: pressed and released with `modifiers` held.
struct KeyAction {
    char32_t character = 0;  // the character typed when key is Character
    NamedKey key = NamedKey::Character;
    std::uint8_t modifiers = 0;

    bool operator==(const KeyAction&) const = default;
};

struct KeyParseResult {
    std::vector<KeyAction> actions;  // empty when error is set
    std::string error;               // one English sentence; empty on success
    std::size_t errorOffset = 0;     // byte offset of the fault in the text (not the mask)

    bool ok() const { return error.empty(); }
};

inline constexpr int kMaxKeyRepeat = 1000;
// Bounds what repeats can blow a short mask up to.
inline constexpr std::size_t kMaxKeyActions = 100000;

// The mask a text was expanded from, so error messages give positions in what the user
// wrote: offsets[i] is the byte of mask that byte i of the text was made from.
struct KeyTextSource {
    std::string_view mask;
    const std::vector<std::size_t>* offsets = nullptr;
};

// literal[i] true: byte i came from a scanned field and is typed as that
// character, never read as notation (bytes past the vector's end are notation).
// Without a source, error positions count characters of text itself.
KeyParseResult ParseKeySequence(std::string_view text, const std::vector<bool>& literal = {},
                                KeyTextSource source = {});

}  // namespace blenvar
