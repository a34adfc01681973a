#include "output/key_sequence.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

#include "core/text.h"

namespace blenvar {
namespace {

// Windows-1252 reading of the bytes 0x80-0x9F; its five unassigned bytes keep
// their Latin-1 (control) value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct NameEntry {
    std::string_view name;
    NamedKey key;
};

constexpr NameEntry kNames[] = {
    {"ENTER", NamedKey::Enter},
    {"TAB", NamedKey::Tab},
    {"BACKSPACE", NamedKey::Backspace},
    {"BS", NamedKey::Backspace},
    {"BKSP", NamedKey::Backspace},
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
};

// Indexed by NamedKey.
constexpr NamedKeyCodes kCodes[] = {
    {0, 0},
    {XKB_KEY_Return, KEY_ENTER},
    {XKB_KEY_Tab, KEY_TAB},
    {XKB_KEY_BackSpace, KEY_BACKSPACE},
    {XKB_KEY_Delete, KEY_DELETE},
    {XKB_KEY_Insert, KEY_INSERT},
    {XKB_KEY_Home, KEY_HOME},
    {XKB_KEY_End, KEY_END},
    {XKB_KEY_Prior, KEY_PAGEUP},
    {XKB_KEY_Next, KEY_PAGEDOWN},
    {XKB_KEY_Up, KEY_UP},
    {XKB_KEY_Down, KEY_DOWN},
    {XKB_KEY_Left, KEY_LEFT},
    {XKB_KEY_Right, KEY_RIGHT},
    {XKB_KEY_Escape, KEY_ESC},
    {XKB_KEY_Break, KEY_PAUSE},
    {XKB_KEY_Caps_Lock, KEY_CAPSLOCK},
    {XKB_KEY_Num_Lock, KEY_NUMLOCK},
    {XKB_KEY_Scroll_Lock, KEY_SCROLLLOCK},
    {XKB_KEY_Print, KEY_SYSRQ},
    {XKB_KEY_Help, KEY_HELP},
    {XKB_KEY_F1, KEY_F1},
    {XKB_KEY_F2, KEY_F2},
    {XKB_KEY_F3, KEY_F3},
    {XKB_KEY_F4, KEY_F4},
    {XKB_KEY_F5, KEY_F5},
    {XKB_KEY_F6, KEY_F6},
    {XKB_KEY_F7, KEY_F7},
    {XKB_KEY_F8, KEY_F8},
    {XKB_KEY_F9, KEY_F9},
    {XKB_KEY_F10, KEY_F10},
    {XKB_KEY_F11, KEY_F11},
    {XKB_KEY_F12, KEY_F12},
    {XKB_KEY_F13, KEY_F13},
    {XKB_KEY_F14, KEY_F14},
    {XKB_KEY_F15, KEY_F15},
    {XKB_KEY_F16, KEY_F16},
};
static_assert(std::size(kCodes) == std::size_t(NamedKey::F16) + 1);

NamedKey LookupName(std::string_view name) {
    for (const NameEntry& e : kNames) {
        if (EqualsNoCaseAscii(name, e.name)) return e.key;
    }
    // F1 ... F16
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9') return NamedKey::Character;
            n = n * 10 + (c - '0');
        }
        if (name[1] != '0' && n >= 1 && n <= 16) {
            return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + n - 1);
        }
    }
    return NamedKey::Character;
}

struct Decoded {
    char32_t cp;
    std::size_t length;
};

// Decodes one character at i; a continuation byte must carry the same literal
// flag as its lead byte, so a field never completes a character of the mask.
template <typename SameFlag>
Decoded DecodeAt(std::string_view s, std::size_t i, SameFlag same) {
    const auto b = static_cast<unsigned char>(s[i]);
    const auto fallback = [b]() -> Decoded {
        return {b < 0xA0 ? char32_t(kCp1252High[b - 0x80]) : char32_t(b), 1};
    };
    if (b < 0x80) return {b, 1};
    std::size_t n;
    char32_t cp;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return fallback();
    }
    if (i + n > s.size()) return fallback();
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80 || !same(i + k)) return fallback();
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return fallback();
    return {cp, n};
}

// 1-based character position of a byte offset, as the user counts.
std::size_t CharPosition(std::string_view text, std::size_t offset) {
    std::size_t pos = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++pos) {
        i += DecodeAt(text, i, [](std::size_t) { return true; }).length;
    }
    return pos;
}

std::string Quote(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

class Parser {
  public:
    Parser(std::string_view text, const std::vector<bool>& literal, KeyTextSource source)
        : text_(text), literal_(literal), source_(source) {}

    KeyParseResult Run() {
        while (i_ < text_.size() && error_.empty()) Step();
        if (error_.empty() && pending_ != 0) {
            Fail(pendingAt_, "The " + SignName(text_[pendingAt_]) + " sign " +
                                 Quote(text_.substr(pendingAt_, 1)) + " at position " +
                                 Pos(pendingAt_) + " of the keyboard mask has no key after it.");
        }
        if (error_.empty() && !groups_.empty()) {
            Fail(groups_.back().at, "The \"(\" at position " + Pos(groups_.back().at) +
                                        " of the keyboard mask has no closing \")\".");
        }
        KeyParseResult result;
        if (error_.empty()) {
            result.actions = std::move(out_);
        } else {
            result.error = std::move(error_);
            result.errorOffset = errorAt_;
        }
        return result;
    }

  private:
    struct Group {
        std::size_t at;
        std::uint8_t modifiers;
        std::size_t firstAction;
    };

    bool IsLiteral(std::size_t k) const { return k < literal_.size() && literal_[k]; }

    Decoded Decode(std::size_t k) const {
        const bool flag = IsLiteral(k);
        return DecodeAt(text_, k, [this, flag](std::size_t j) { return IsLiteral(j) == flag; });
    }

    // Where the user finds the fault: in the mask when we know it, else in the text.
    std::string Pos(std::size_t offset) const {
        if (source_.offsets && offset < source_.offsets->size())
            return std::to_string(CharPosition(source_.mask, (*source_.offsets)[offset]));
        return std::to_string(CharPosition(text_, offset));
    }

    static std::string SignName(char c) { return c == '+' ? "Shift" : c == '^' ? "Ctrl" : "Alt"; }

    void Fail(std::size_t at, std::string message) {
        if (!error_.empty()) return;
        error_ = std::move(message);
        errorAt_ = at;
    }

    std::uint8_t GroupModifiers() const { return groups_.empty() ? 0 : groups_.back().modifiers; }

    void Emit(KeyAction action, std::size_t count, std::size_t at) {
        action.modifiers |= GroupModifiers() | pending_;
        pending_ = 0;
        if (out_.size() + count > kMaxKeyActions) {
            Fail(at, "The keyboard mask makes more than " + std::to_string(kMaxKeyActions) +
                         " keystrokes by position " + Pos(at) + ".");
            return;
        }
        out_.insert(out_.end(), count, action);
    }

    // Consumes the character at i_ (length n) and types it.
    void EmitChar(char32_t cp, std::size_t n, std::size_t count = 1) {
        const std::size_t at = i_;
        i_ += n;
        KeyAction action;
        if (cp == '\t') {
            action.key = NamedKey::Tab;
        } else if (cp == '\r' || cp == '\n') {
            action.key = NamedKey::Enter;
            // CR LF is one line end.
            if (cp == '\r' && i_ < text_.size() && text_[i_] == '\n' &&
                IsLiteral(i_) == IsLiteral(at)) {
                ++i_;
            }
        } else if (cp >= 0x1B && cp < 0x20) {
            // The separators of GS1 and other data as a keyboard types them: GS is Ctrl+].
            // Ctrl+letter controls stay refused: those keys are programs' shortcuts.
            action.character = cp + 0x40;
            action.modifiers = kModCtrl;
        } else {
            action.character = cp;
        }
        Emit(action, count, at);
    }

    void Step() {
        if (IsLiteral(i_)) {
            const Decoded d = Decode(i_);
            EmitChar(d.cp, d.length);
            return;
        }
        const char c = text_[i_];
        switch (c) {
            case '+':
            case '^':
            case '%':
                pending_ |= c == '+' ? kModShift : c == '^' ? kModCtrl : kModAlt;
                pendingAt_ = i_++;
                return;
            case '~':
                Emit(KeyAction{0, NamedKey::Enter, 0}, 1, i_);
                ++i_;
                return;
            case '(':
                groups_.push_back(
                    Group{i_, std::uint8_t(GroupModifiers() | pending_), out_.size()});
                pending_ = 0;
                ++i_;
                return;
            case ')':
                CloseGroup();
                return;
            case '{':
                Brace();
                return;
            case '}':
                Fail(i_, "The \"}\" at position " + Pos(i_) +
                             " of the keyboard mask has no opening \"{\".");
                return;
            default: {
                const Decoded d = Decode(i_);
                EmitChar(d.cp, d.length);
            }
        }
    }

    void CloseGroup() {
        if (groups_.empty()) {
            Fail(i_, "The \")\" at position " + Pos(i_) +
                         " of the keyboard mask has no opening \"(\".");
            return;
        }
        if (pending_ != 0) {
            Fail(pendingAt_, "The " + SignName(text_[pendingAt_]) + " sign " +
                                 Quote(text_.substr(pendingAt_, 1)) + " at position " +
                                 Pos(pendingAt_) + " of the keyboard mask has no key after it.");
            return;
        }
        if (out_.size() == groups_.back().firstAction) {
            Fail(groups_.back().at, "The group \"()\" at position " + Pos(groups_.back().at) +
                                        " of the keyboard mask contains no key.");
            return;
        }
        groups_.pop_back();
        ++i_;
    }

    void Brace() {
        const std::size_t open = i_;
        const auto unclosed = [&] {
            Fail(open, "The \"{\" at position " + Pos(open) +
                           " of the keyboard mask has no closing \"}\".");
        };
        // The first character inside is always part of the name, so {}} and {{} work.
        if (open + 1 >= text_.size() || IsLiteral(open + 1)) return unclosed();
        const std::size_t firstLength = Decode(open + 1).length;
        std::size_t close = open + 1 + firstLength;
        while (close < text_.size() && !IsLiteral(close) && text_[close] != '}') ++close;
        if (close >= text_.size() || IsLiteral(close)) return unclosed();

        const std::string_view whole = text_.substr(open, close + 1 - open);
        std::string_view name = text_.substr(open + 1, close - open - 1);
        std::size_t count = 1;
        const std::size_t space = name.rfind(' ');
        if (name.size() > firstLength && space != std::string_view::npos && space >= firstLength) {
            const std::string_view digits = name.substr(space + 1);
            name = name.substr(0, space);
            bool numeric = !digits.empty();
            count = 0;
            for (char d : digits) {
                if (d < '0' || d > '9') {
                    numeric = false;
                    break;
                }
                if (count <= std::size_t(kMaxKeyRepeat)) count = count * 10 + std::size_t(d - '0');
            }
            if (!numeric) {
                return Fail(open, "The repeat count " + Quote(digits) + " in " + Quote(whole) +
                                      " at position " + Pos(open) +
                                      " of the keyboard mask is not a whole number.");
            }
            if (count > std::size_t(kMaxKeyRepeat)) {
                return Fail(open, "The repeat count in " + Quote(whole) + " at position " +
                                      Pos(open) + " of the keyboard mask is above the limit of " +
                                      std::to_string(kMaxKeyRepeat) + ".");
            }
        }
        i_ = open + 1;
        const Decoded first = Decode(open + 1);
        if (first.length == name.size()) {
            EmitChar(first.cp, first.length, count);
        } else if (const NamedKey key = LookupName(name); key != NamedKey::Character) {
            Emit(KeyAction{0, key, 0}, count, open);
        } else {
            return Fail(open, "Unknown key name " + Quote(whole) + " at position " + Pos(open) +
                                  " of the keyboard mask.");
        }
        i_ = close + 1;
    }

    std::string_view text_;
    const std::vector<bool>& literal_;
    KeyTextSource source_;
    std::size_t i_ = 0;
    std::vector<KeyAction> out_;
    std::vector<Group> groups_;
    std::uint8_t pending_ = 0;
    std::size_t pendingAt_ = 0;
    std::string error_;
    std::size_t errorAt_ = 0;
};

}  // namespace

KeyParseResult ParseKeySequence(std::string_view text, const std::vector<bool>& literal,
                                KeyTextSource source) {
    return Parser(text, literal, source).Run();
}

NamedKeyCodes CodesOf(NamedKey key) {
    const auto i = std::size_t(key);
    return i < std::size(kCodes) ? kCodes[i] : NamedKeyCodes{};
}

NamedKey NamedKeyAt(std::uint16_t evdev) {
    for (std::size_t i = 1; i < std::size(kCodes); ++i)
        if (kCodes[i].evdev == evdev) return static_cast<NamedKey>(i);
    return NamedKey::Character;
}

std::string KeyWord(NamedKey key) {
    // Indexed by NamedKey up to F1.
    static constexpr const char* kWords[] = {
        "",    "Enter",   "Tab",       "Backspace", "Delete",      "Insert",       "Home",
        "End", "Page Up", "Page Down", "Up",        "Down",        "Left",         "Right",
        "Esc", "Break",   "Caps Lock", "Num Lock",  "Scroll Lock", "Print Screen", "Help",
    };
    static_assert(std::size(kWords) == std::size_t(NamedKey::F1));
    const auto i = std::size_t(key);
    if (i < std::size(kWords)) return kWords[i];
    return i <= std::size_t(NamedKey::F16) ? "F" + std::to_string(i - std::size(kWords) + 1) : "";
}

std::string CharacterName(char32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

bool TypableCharacter(char32_t cp, std::string& error) {
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp > 0x10FFFF) {
        error = "The text contains the control character " + CharacterName(cp) +
                ", which cannot be typed.";
        return false;
    }
    return true;
}

}  // namespace blenvar
