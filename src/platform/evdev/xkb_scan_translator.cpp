#include "platform/evdev/xkb_scan_translator.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <fstream>
#include <optional>

#include "capture/alt_codes.h"
#include "capture/key_table.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

constexpr std::uint32_t kXkbOffset = 8;  // evdev key codes in XKB
constexpr std::int32_t kCapsLock = 58, kNumLock = 69;

// The keypad digit of a Linux key code, or -1; Alt codes read them whatever Num Lock is.
int KeypadDigit(std::int32_t code) {
    switch (code) {
        case 82:
            return 0;
        case 79:
            return 1;
        case 80:
            return 2;
        case 81:
            return 3;
        case 75:
            return 4;
        case 76:
            return 5;
        case 77:
            return 6;
        case 71:
            return 7;
        case 72:
            return 8;
        case 73:
            return 9;
        default:
            return -1;
    }
}

// Windows scanners send ESC, FS, GS, RS and US as Ctrl with the keys in these US
// positions whatever layout they type in; RS and US need Shift there (Ctrl+^, Ctrl+_).
char UsControl(std::int32_t code, bool shift) {
    switch (code) {
        case 26:
            return shift ? 0 : 0x1b;
        case 43:
            return shift ? 0 : 0x1c;
        case 27:
            return shift ? 0 : 0x1d;
        case 7:
            return shift ? 0x1e : 0;
        case 12:
            return shift ? 0x1f : 0;
        default:
            return 0;
    }
}

struct Free {
    void operator()(xkb_context* p) const { xkb_context_unref(p); }
    void operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
    void operator()(xkb_state* p) const { xkb_state_unref(p); }
    void operator()(xkb_compose_table* p) const { xkb_compose_table_unref(p); }
    void operator()(xkb_compose_state* p) const { xkb_compose_state_unref(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

class XkbScanTranslator : public ScanTranslator {
  public:
    XkbScanTranslator(Owned<xkb_context> context, Owned<xkb_keymap> keymap, int oemCodePage)
        : context_(std::move(context)), keymap_(std::move(keymap)), oemCodePage_(oemCodePage) {
        // Without compose data dead keys type nothing; everything else still works.
        compose_.reset(xkb_compose_table_new_from_locale(context_.get(), "C.UTF-8",
                                                         XKB_COMPOSE_COMPILE_NO_FLAGS));
        if (compose_)
            composing_.reset(xkb_compose_state_new(compose_.get(), XKB_COMPOSE_STATE_NO_FLAGS));
        Begin();
    }

    void Begin() override {
        state_.reset(xkb_state_new(keymap_.get()));
        if (composing_) xkb_compose_state_reset(composing_.get());
        altDigits_.clear();
    }

    std::string Translate(const KeyEvent& event) override {
        // Scanners send the shift state they mean.
        if (event.SCode == kCapsLock || event.SCode <= 0 || !state_) return {};
        const xkb_keycode_t key = xkb_keycode_t(event.SCode) + kXkbOffset;
        switch (event.Action) {
            case kActionPress:
                FollowNumLock(event);
                xkb_state_update_key(state_.get(), key, XKB_KEY_DOWN);
                return {};
            case kActionRelease:
                xkb_state_update_key(state_.get(), key, XKB_KEY_UP);
                if (altDigits_.empty() || Active(XKB_MOD_NAME_ALT)) return {};
                return AltCode();
            case kActionCharacter:
                return Character(event.SCode, key);
            default:
                return {};
        }
    }

  private:
    bool Active(const char* mod) const {
        return xkb_state_mod_name_is_active(state_.get(), mod, XKB_STATE_MODS_EFFECTIVE) > 0;
    }

    std::string AltCode() {
        std::string text = AltCodeText(altDigits_, oemCodePage_);
        altDigits_.clear();
        return text;
    }

    // The backend knows Num Lock (the desktop's, or the device's own) and says so in a
    // keypad key's VCode; the layout's state follows it with a Num Lock stroke.
    void FollowNumLock(const KeyEvent& event) {
        if (KeypadDigit(event.SCode) < 0 && event.SCode != 83) return;
        if (Active(XKB_MOD_NAME_SHIFT)) return;  // Shift gives the navigation codes either way
        const bool on = (event.VCode >= 96 && event.VCode <= 105) || event.VCode == 110;
        if (on == (xkb_state_mod_name_is_active(state_.get(), XKB_MOD_NAME_NUM,
                                                XKB_STATE_MODS_LOCKED) > 0))
            return;
        xkb_state_update_key(state_.get(), kNumLock + kXkbOffset, XKB_KEY_DOWN);
        xkb_state_update_key(state_.get(), kNumLock + kXkbOffset, XKB_KEY_UP);
    }

    std::string Character(std::int32_t code, xkb_keycode_t key) {
        const bool alt = Active(XKB_MOD_NAME_ALT);
        if (alt && KeypadDigit(code) >= 0) {
            altDigits_ += char('0' + KeypadDigit(code));
            return {};
        }
        const xkb_keysym_t sym = xkb_state_key_get_one_sym(state_.get(), key);
        if (sym == XKB_KEY_Tab || sym == XKB_KEY_ISO_Left_Tab) return "\t";
        if (sym == XKB_KEY_Return || sym == XKB_KEY_KP_Enter) return "\r";
        if (Active(XKB_MOD_NAME_CTRL)) {
            // The layout's own control characters: Ctrl with the keys that give a letter
            // or one of @ [ \ ] ^ _.
            const std::uint32_t c = xkb_keysym_to_utf32(sym);
            if ((c >= 0x40 && c <= 0x5f) || (c >= 'a' && c <= 'z'))
                return std::string(1, char(c & 0x1f));
            // Level3 held: the layout's own key was meant, as AltGr+")" is "]" on fr.
            const char us = alt || Active("Mod5") ? 0 : UsControl(code, Active(XKB_MOD_NAME_SHIFT));
            return us ? std::string(1, us) : std::string();
        }
        if (composing_ &&
            xkb_compose_state_feed(composing_.get(), sym) == XKB_COMPOSE_FEED_ACCEPTED) {
            switch (xkb_compose_state_get_status(composing_.get())) {
                case XKB_COMPOSE_COMPOSING:
                    return {};
                case XKB_COMPOSE_COMPOSED: {
                    char buffer[64];
                    const int n =
                        xkb_compose_state_get_utf8(composing_.get(), buffer, sizeof buffer);
                    xkb_compose_state_reset(composing_.get());
                    return std::string(buffer,
                                       std::size_t(n > 0 && n < int(sizeof buffer) ? n : 0));
                }
                case XKB_COMPOSE_CANCELLED:
                    // A dead key with a key it does not combine with: that key's own text.
                    xkb_compose_state_reset(composing_.get());
                    break;
                case XKB_COMPOSE_NOTHING:
                    break;
            }
        }
        return Utf8(key);
    }

    std::string Utf8(xkb_keycode_t key) const {
        char buffer[64];
        const int n = xkb_state_key_get_utf8(state_.get(), key, buffer, sizeof buffer);
        return std::string(buffer, std::size_t(n > 0 && n < int(sizeof buffer) ? n : 0));
    }

    Owned<xkb_context> context_;
    Owned<xkb_keymap> keymap_;
    Owned<xkb_state> state_;
    Owned<xkb_compose_table> compose_;
    Owned<xkb_compose_state> composing_;
    int oemCodePage_;
    std::string altDigits_;
};

Owned<xkb_context> NewContext(const std::string& includePath) {
    Owned<xkb_context> context(xkb_context_new(
        includePath.empty() ? XKB_CONTEXT_NO_FLAGS : XKB_CONTEXT_NO_DEFAULT_INCLUDES));
    if (context && !includePath.empty())
        xkb_context_include_path_append(context.get(), includePath.c_str());
    return context;
}

std::optional<LayoutTable> TableOf(xkb_context* context, const LayoutEntry& entry) {
    const auto name = ParseLayoutName(entry.name);
    if (!name) return std::nullopt;
    const xkb_rule_names names{"evdev", "pc105", name->layout.c_str(), name->variant.c_str(), ""};
    Owned<xkb_keymap> keymap(
        xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return std::nullopt;
    xkb_keymap* km = keymap.get();
    LayoutTable table;
    table.entry = entry;
    xkb_keycode_t level3Key = 0;
    for (std::uint32_t code = 1; code < 256; ++code) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(km, code + kXkbOffset, 0, 0, &syms) != 1) continue;
        if (syms[0] == XKB_KEY_Shift_L || syms[0] == XKB_KEY_Shift_R) table.shift.set(code);
        if (syms[0] == XKB_KEY_ISO_Level3_Shift || syms[0] == XKB_KEY_Mode_switch) {
            table.level3.set(code);
            if (level3Key == 0 || code == 100) level3Key = code + kXkbOffset;
        }
    }
    for (std::size_t level = 0; level < 4; ++level) {
        if ((level & 2) && level3Key == 0) continue;
        Owned<xkb_state> state(xkb_state_new(km));
        if (!state) return std::nullopt;
        if (level & 1) xkb_state_update_key(state.get(), 42 + kXkbOffset, XKB_KEY_DOWN);
        if (level & 2) xkb_state_update_key(state.get(), level3Key, XKB_KEY_DOWN);
        for (std::uint32_t code = 1; code < 256; ++code) {
            if (!table.shift[code] && !table.level3[code])
                table.keys[code][level] = xkb_state_key_get_utf32(state.get(), code + kXkbOffset);
        }
    }
    return table;
}

}  // namespace

std::vector<LayoutEntry> SystemLayouts(const std::string& rulesList) {
    std::ifstream in(rulesList);
    return ParseLayoutList(in);
}

std::vector<LayoutTable> BuildLayoutTables(const std::vector<LayoutEntry>& layouts,
                                           const std::atomic<bool>& cancel,
                                           const std::string& includePath) {
    std::vector<LayoutTable> tables;
    // One context for all: its include paths and logging are set up once.
    const Owned<xkb_context> context = NewContext(includePath);
    if (!context) return tables;
    xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    tables.reserve(layouts.size());
    for (const LayoutEntry& entry : layouts) {
        if (cancel.load(std::memory_order_relaxed)) break;
        if (auto table = TableOf(context.get(), entry)) tables.push_back(std::move(*table));
    }
    return tables;
}

std::unique_ptr<ScanTranslator> MakeXkbScanTranslator(std::string_view layout, int oemCodePage,
                                                      std::string& error,
                                                      const std::string& includePath) {
    const auto name = ParseLayoutName(layout);
    if (!name) {
        error = "\"" + std::string(layout) + "\" is not a keyboard layout name.";
        return nullptr;
    }
    Owned<xkb_context> context = NewContext(includePath);
    if (!context) {
        error = "The keyboard layout library could not start.";
        return nullptr;
    }
    const xkb_rule_names names{"evdev", "pc105", name->layout.c_str(), name->variant.c_str(), ""};
    Owned<xkb_keymap> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        error = "The keyboard layout \"" + std::string(layout) + "\" is not known to this system.";
        return nullptr;
    }
    return std::make_unique<XkbScanTranslator>(std::move(context), std::move(keymap), oemCodePage);
}

std::unique_ptr<ScanTranslator> ScannerTranslatorFor(const CaptureSetup& setup,
                                                     std::string& problem) {
    if (setup.scannerLayout.empty()) return nullptr;
    std::string error;
    auto translator = MakeXkbScanTranslator(setup.scannerLayout, setup.scannerCodePage, error);
    if (!translator)
        problem = "ScannerLayout: " + error + " Scans are read on the US table instead.";
    return translator;
}

}  // namespace blenvar
