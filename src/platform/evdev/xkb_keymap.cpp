#include "platform/evdev/xkb_keymap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "core/text.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

// Evdev keycodes in XKB are offset by 8 from the kernel's.
constexpr std::uint32_t kXkbOffset = 8;
// X servers deliver keycodes up to 255 only, so the virtual keyboard has none above;
// the keymaps put symbols such as the euro sign on multimedia keys up there too.
constexpr xkb_keycode_t kLastXkbKey = 255;

struct ContextFree {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapFree {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateFree {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};

// One VAR=value or VAR="value" line of a shell-style configuration file.
bool ReadAssignment(std::string_view line, std::string_view var, std::string& value) {
    line = Trim(line, kBlanks);
    if (line.size() <= var.size() || line.substr(0, var.size()) != var || line[var.size()] != '=') {
        return false;
    }
    std::string_view v = Trim(line.substr(var.size() + 1), kBlanks);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    value = std::string(Trim(v, kBlanks));
    return true;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(Trim(v, kBlanks)) : std::string();
}

bool IsKeypad(xkb_keysym_t ks) {
    return ks >= XKB_KEY_KP_Space && ks <= XKB_KEY_KP_9;
}

bool IsDead(xkb_keysym_t ks) {
    return ks >= XKB_KEY_dead_grave && ks <= 0xfe8f;
}

// The modifiers the key sets while held, as the keymap's real modifier mask.
xkb_mod_mask_t ModsOfKey(xkb_keymap* keymap, std::optional<std::uint16_t> code) {
    if (!code) return 0;
    std::unique_ptr<xkb_state, StateFree> state(xkb_state_new(keymap));
    if (!state) return 0;
    xkb_state_update_key(state.get(), *code + kXkbOffset, XKB_KEY_DOWN);
    return xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
}

// Real modifier `name` as a mask; 0 when the keymap lacks it.
xkb_mod_mask_t ModMask(xkb_keymap* keymap, const char* name) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID ? 0 : xkb_mod_mask_t(1) << index;
}

// The X11 backend reads Alt and Meta as the modifiers that Alt_L/Alt_R and Super_L/Super_R
// are mapped to (Mod1 and Mod4 by default); a key sets a State bit when holding it
// sets one of those modifiers.
ModifierKeys ReadCaptureModifiers(xkb_keymap* km, const XkbKeymap& map) {
    const auto mapped = [&](std::uint32_t left, std::uint32_t right, const char* fallback) {
        const xkb_mod_mask_t mods =
            ModsOfKey(km, map.KeyForKeysym(left)) | ModsOfKey(km, map.KeyForKeysym(right));
        return mods != 0 ? mods : ModMask(km, fallback);
    };
    const struct {
        xkb_mod_mask_t mods;
        std::int32_t bit;
    } bits[] = {{ModMask(km, XKB_MOD_NAME_SHIFT), kStateShift},
                {ModMask(km, XKB_MOD_NAME_CTRL), kStateCtrl},
                {mapped(XKB_KEY_Alt_L, XKB_KEY_Alt_R, XKB_MOD_NAME_ALT), kStateAlt},
                {mapped(XKB_KEY_Super_L, XKB_KEY_Super_R, XKB_MOD_NAME_LOGO), kStateMeta}};
    ModifierKeys keys;
    const xkb_keycode_t max = std::min(xkb_keymap_max_keycode(km), kLastXkbKey);
    for (xkb_keycode_t key = std::max(xkb_keymap_min_keycode(km), kXkbOffset + 1); key <= max;
         ++key) {
        const auto code = std::uint16_t(key - kXkbOffset);
        const xkb_mod_mask_t held = ModsOfKey(km, code);
        std::int32_t state = 0;
        for (const auto& b : bits)
            if ((held & b.mods) != 0) state |= b.bit;
        keys.Set(code, state);
    }
    return keys;
}

}  // namespace

ModifierKeys CaptureModifiersFor(std::string_view layoutSetting) {
    std::string error;
    const auto name = ResolveKeyboardLayout(layoutSetting, error);
    if (!name) return ModifierKeys::Us();
    const auto keymap = XkbKeymap::Load(*name, error);
    return keymap ? keymap->CaptureModifiers() : ModifierKeys::Us();
}

std::optional<XkbLayoutName> ParseLayoutSetting(std::string_view setting) {
    auto name = ParseLayoutName(Trim(setting, kBlanks));
    if (!name) return std::nullopt;
    return XkbLayoutName{std::move(name->layout), std::move(name->variant), ""};
}

std::optional<XkbLayoutName> ResolveKeyboardLayout(std::string_view setting, std::string& error,
                                                   const std::string& configFile) {
    if (!Trim(setting, kBlanks).empty()) {
        auto name = ParseLayoutSetting(setting);
        if (!name) {
            error = "The keyboard layout \"" + std::string(Trim(setting, kBlanks)) +
                    "\" is not a keyboard layout name (letters, digits, _ and -, with an optional "
                    "(variant)).";
        }
        return name;
    }
    XkbLayoutName name;
    if (std::ifstream in(configFile); in) {
        for (std::string line; std::getline(in, line);) {
            ReadAssignment(line, "XKBLAYOUT", name.layout) ||
                ReadAssignment(line, "XKBVARIANT", name.variant) ||
                ReadAssignment(line, "XKBOPTIONS", name.options);
        }
    }
    if (name.layout.empty()) {
        name = XkbLayoutName{Env("XKB_DEFAULT_LAYOUT"), Env("XKB_DEFAULT_VARIANT"),
                             Env("XKB_DEFAULT_OPTIONS")};
    }
    if (name.layout.empty()) name = XkbLayoutName{"us", "", ""};
    return name;
}

std::string DescribeLayout(const XkbLayoutName& name) {
    return name.variant.empty() ? name.layout : name.layout + "(" + name.variant + ")";
}

std::optional<XkbKeymap> XkbKeymap::Load(const XkbLayoutName& name, std::string& error,
                                         const std::string& includePath) {
    // Names come only from the caller, never from XKB_DEFAULT_* behind its back.
    const auto flags =
        static_cast<xkb_context_flags>(XKB_CONTEXT_NO_ENVIRONMENT_NAMES |
                                       (includePath.empty() ? 0 : XKB_CONTEXT_NO_DEFAULT_INCLUDES));
    std::unique_ptr<xkb_context, ContextFree> context(xkb_context_new(flags));
    if (!context || (!includePath.empty() &&
                     xkb_context_include_path_append(context.get(), includePath.c_str()) == 0)) {
        error = "The keyboard layouts (XKB data) could not be read.";
        return std::nullopt;
    }
    xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    const xkb_rule_names names{"evdev", "pc105", name.layout.c_str(), name.variant.c_str(),
                               name.options.c_str()};
    std::unique_ptr<xkb_keymap, KeymapFree> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        error = "The keyboard layout \"" + DescribeLayout(name) + "\" is not known.";
        return std::nullopt;
    }

    XkbKeymap result;
    result.name_ = name;
    xkb_keymap* km = keymap.get();
    // Modifier keys and other single-symbol keys by their first level.
    const xkb_keycode_t min = xkb_keymap_min_keycode(km);
    const xkb_keycode_t max = std::min(xkb_keymap_max_keycode(km), kLastXkbKey);
    for (xkb_keycode_t key = std::max(min, kXkbOffset + 1); key <= max; ++key) {
        if (xkb_keymap_num_layouts_for_key(km, key) == 0) continue;
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(km, key, 0, 0, &syms) == 1) {
            result.byKeysym_.emplace(syms[0], std::uint16_t(key - kXkbOffset));
        }
    }
    // AltGr is the usual Level3 key; evdev keymaps also put it on a key no keyboard has.
    if (auto right = xkb_keymap_key_by_name(km, "RALT"); right != XKB_KEYCODE_INVALID) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(km, right, 0, 0, &syms) == 1 &&
            syms[0] == XKB_KEY_ISO_Level3_Shift) {
            result.byKeysym_[XKB_KEY_ISO_Level3_Shift] = std::uint16_t(right - kXkbOffset);
        }
    }
    const xkb_mod_mask_t shift = ModsOfKey(km, result.KeyForKeysym(XKB_KEY_Shift_L));
    const xkb_mod_mask_t level3 = ModsOfKey(km, result.KeyForKeysym(XKB_KEY_ISO_Level3_Shift));
    result.modifiers_ = ReadCaptureModifiers(km, result);

    struct Candidate {
        KeyStroke stroke;
        int cost;
    };
    std::unordered_map<char32_t, Candidate> best;
    for (xkb_keycode_t key = std::max(min, kXkbOffset + 1); key <= max; ++key) {
        if (xkb_keymap_num_layouts_for_key(km, key) == 0) continue;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(km, key, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(km, key, 0, level, &syms) != 1) continue;
            const xkb_keysym_t ks = syms[0];
            if (IsDead(ks) || IsKeypad(ks)) continue;
            const char32_t c = xkb_keysym_to_utf32(ks);
            if (c == 0) continue;
            xkb_mod_mask_t masks[16];
            std::size_t n = xkb_keymap_key_get_mods_for_level(km, key, 0, level, masks, 16);
            // Level 1 needs no modifier even where the key type does not list it.
            if (level == 0 && n == 0) masks[n++] = 0;
            for (std::size_t i = 0; i < n; ++i) {
                if ((masks[i] & ~(shift | level3)) != 0) continue;
                const std::uint8_t mods =
                    std::uint8_t(((masks[i] & shift) != 0 ? kStrokeShift : 0) |
                                 ((masks[i] & level3) != 0 ? kStrokeLevel3 : 0));
                const int cost = std::popcount(unsigned(mods));
                auto [it, added] =
                    best.try_emplace(c, Candidate{{std::uint16_t(key - kXkbOffset), mods}, cost});
                if (!added && cost < it->second.cost) {
                    it->second = Candidate{{std::uint16_t(key - kXkbOffset), mods}, cost};
                }
            }
        }
    }
    for (const auto& [c, candidate] : best) result.byChar_.emplace(c, candidate.stroke);
    return result;
}

std::optional<KeyStroke> XkbKeymap::Find(char32_t c) const {
    if (auto it = byChar_.find(c); it != byChar_.end()) return it->second;
    return std::nullopt;
}

std::optional<std::uint16_t> XkbKeymap::KeyForKeysym(std::uint32_t keysym) const {
    if (auto it = byKeysym_.find(keysym); it != byKeysym_.end()) return it->second;
    return std::nullopt;
}

}  // namespace blenvar
