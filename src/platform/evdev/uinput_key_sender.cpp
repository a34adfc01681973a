#include "platform/evdev/uinput_key_sender.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "platform/evdev/evdev_uinput.h"

namespace blenvar {
namespace {

// The modifier keys we may hold, in the order they are pressed.
enum Held : std::uint8_t { kHeldShift = 1, kHeldLevel3 = 2, kHeldCtrl = 4, kHeldAlt = 8 };

struct Planned {
    std::uint16_t code = 0;
    std::uint8_t held = 0;
};

}  // namespace

UinputKeySender::UinputKeySender(VirtualKeyboard& keyboard, UinputKeySenderOptions options)
    : UinputKeySender(
          [&keyboard](std::uint16_t code, std::int32_t value) { return keyboard.Key(code, value); },
          std::move(options)) {}

UinputKeySender::UinputKeySender(KeyWriter writer, UinputKeySenderOptions options)
    : writer_(std::move(writer)), options_(std::move(options)) {}

const XkbKeymap* UinputKeySender::Keymap(std::string& error) {
    if (keymap_) return &*keymap_;
    auto name = ResolveKeyboardLayout(options_.layoutSetting, error, options_.keyboardConfigFile);
    if (!name) return nullptr;
    keymap_ = XkbKeymap::Load(*name, error, options_.xkbIncludePath);
    return keymap_ ? &*keymap_ : nullptr;
}

bool UinputKeySender::Send(const std::vector<KeyAction>& actions, std::string& error) {
    if (actions.empty()) return true;
    const XkbKeymap* keymap = Keymap(error);
    if (keymap == nullptr) return false;

    struct ModifierKey {
        std::uint8_t held;
        std::uint16_t code;
    };
    const auto keyOr = [&](std::uint32_t keysym, std::uint16_t fallback) {
        return keymap->KeyForKeysym(keysym).value_or(fallback);
    };
    const std::array<ModifierKey, 4> modifierKeys = {{
        {kHeldShift, keyOr(XKB_KEY_Shift_L, KEY_LEFTSHIFT)},
        {kHeldLevel3, keymap->KeyForKeysym(XKB_KEY_ISO_Level3_Shift).value_or(0)},
        {kHeldCtrl, keyOr(XKB_KEY_Control_L, KEY_LEFTCTRL)},
        {kHeldAlt, keyOr(XKB_KEY_Alt_L, KEY_LEFTALT)},
    }};

    // Resolve everything first: a sequence that cannot be typed types nothing.
    std::vector<Planned> plan;
    plan.reserve(actions.size());
    for (const KeyAction& action : actions) {
        Planned p;
        if ((action.modifiers & kModShift) != 0) p.held |= kHeldShift;
        if ((action.modifiers & kModCtrl) != 0) p.held |= kHeldCtrl;
        if ((action.modifiers & kModAlt) != 0) p.held |= kHeldAlt;
        if (action.key != NamedKey::Character) {
            p.code = CodesOf(action.key).evdev;
            if (action.key == NamedKey::Break) p.held |= kHeldCtrl;
        } else {
            const char32_t cp = action.character;
            if (!TypableCharacter(cp, error)) return false;
            const auto stroke = keymap->Find(cp);
            if (!stroke) {
                error = "The character " + CharacterName(cp) +
                        " cannot be typed with the keyboard layout " +
                        DescribeLayout(keymap->Name()) + ".";
                return false;
            }
            p.code = stroke->code;
            if ((stroke->modifiers & kStrokeShift) != 0) p.held |= kHeldShift;
            if ((stroke->modifiers & kStrokeLevel3) != 0) p.held |= kHeldLevel3;
        }
        if (p.code == 0) {
            error = "The key cannot be typed.";
            return false;
        }
        plan.push_back(p);
    }

    std::uint8_t held = 0;
    bool ok = true;
    const auto write = [&](std::uint16_t code, std::int32_t value) {
        ok = ok && writer_(code, value);
        return ok;
    };
    // Releases before presses, so Shift never lingers onto a key that must go without it.
    const auto holdOnly = [&](std::uint8_t want) {
        for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it) {
            if ((held & it->held) != 0 && (want & it->held) == 0) {
                writer_(it->code, 0);  // a release is tried even after a failed write
                held &= std::uint8_t(~it->held);
            }
        }
        for (const ModifierKey& m : modifierKeys) {
            if ((held & m.held) == 0 && (want & m.held) != 0) {
                held |= m.held;  // released even if the press half failed
                write(m.code, 1);
            }
        }
    };

    int strokes = 0;
    for (const Planned& p : plan) {
        holdOnly(p.held);
        if (!ok) break;
        const bool pressed = write(p.code, 1);
        if (!writer_(p.code, 0) || !pressed) {
            ok = false;
            break;
        }
        if (options_.strokesPerPause > 0 && ++strokes % options_.strokesPerPause == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(options_.pauseMicros));
        }
    }
    holdOnly(0);
    if (!ok) error = "The virtual keyboard refused some of the keys.";
    return ok;
}

}  // namespace blenvar
