#include "platform/x11/x11_key_sender.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>

#include "output/typing_gate.h"

namespace blenvar {
namespace {

// Xlib's default error handler ends the process; count errors instead.
int g_xErrors = 0;
int CountError(Display*, XErrorEvent*) {
    ++g_xErrors;
    return 0;
}

class ScopedErrorHandler {
  public:
    ScopedErrorHandler() : previous_(XSetErrorHandler(CountError)) { g_xErrors = 0; }
    ~ScopedErrorHandler() { XSetErrorHandler(previous_); }

  private:
    int (*previous_)(Display*, XErrorEvent*);
};

bool IsKeypad(KeySym ks) {
    return ks >= XK_KP_Space && ks <= XK_KP_9;
}

// Where a keysym sits: the key and the real modifiers that select its level.
struct Stroke {
    KeyCode code = 0;
    unsigned mods = 0;
};

// The active layout as seen at the start of one Send.
struct Layout {
    std::unordered_map<KeySym, Stroke> byKeysym;
    std::unordered_map<char32_t, Stroke> byChar;
    KeyCode shiftKey = 0, ctrlKey = 0, altKey = 0, level3Key = 0;
    unsigned shiftMask = 0, ctrlMask = 0, altMask = 0, level3Mask = 0;
    std::vector<KeyCode> spare;      // keycodes with no symbols and no modifier
    std::vector<KeyCode> modifiers;  // keys that count as a held modifier
    bool capsLocked = false;
    std::vector<std::pair<unsigned, KeyCode>> modifierKeys;  // mask -> key pressed for it
};

using Clock = std::chrono::steady_clock;

// A spare key code we bound to a character, and when a key on it last went out.
struct Binding {
    KeySym keysym = NoSymbol;
    Clock::time_point lastUse;
};
using Bindings = std::map<KeyCode, Binding>;

// bindings: our spare key codes still bound. They are kept out of the layout
// and dropped from the list when another program has changed them since.
bool LoadLayout(Display* dpy, Bindings& bindings, Layout& layout, std::string& error) {
    XkbDescPtr xkb =
        XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    XkbStateRec state{};
    if (xkb == nullptr || XkbGetState(dpy, XkbUseCoreKbd, &state) != Success) {
        if (xkb != nullptr) XkbFreeKeyboard(xkb, 0, True);
        error = "The keyboard layout of the X display could not be read.";
        return false;
    }
    const unsigned group = state.group;
    const unsigned locked = state.locked_mods & ~unsigned(LockMask);
    layout.capsLocked = (state.locked_mods & LockMask) != 0;

    const auto groupOf = [&](int kc) -> int {
        const int n = XkbKeyNumGroups(xkb, kc);
        return n == 0 ? -1 : int(group % unsigned(n));
    };
    const auto symAt = [&](int kc, int level) -> KeySym {
        const int g = groupOf(kc);
        if (g < 0 || level >= XkbKeyGroupWidth(xkb, kc, g)) return NoSymbol;
        return XkbKeySymEntry(xkb, kc, level, g);
    };
    std::erase_if(bindings, [&](const auto& b) {
        return b.first > xkb->max_key_code || symAt(b.first, 0) != b.second.keysym;
    });

    // The modifier keys we press, found by their base symbol.
    const auto findKey = [&](std::initializer_list<KeySym> wanted, KeyCode& code, unsigned& mask) {
        for (KeySym ks : wanted) {
            for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
                if (symAt(kc, 0) == ks && xkb->map->modmap[kc] != 0) {
                    code = KeyCode(kc);
                    mask = xkb->map->modmap[kc];
                    return;
                }
            }
        }
    };
    findKey({XK_Shift_L, XK_Shift_R}, layout.shiftKey, layout.shiftMask);
    findKey({XK_Control_L, XK_Control_R}, layout.ctrlKey, layout.ctrlMask);
    findKey({XK_Alt_L, XK_Alt_R, XK_Meta_L}, layout.altKey, layout.altMask);
    findKey({XK_ISO_Level3_Shift}, layout.level3Key, layout.level3Mask);
    for (auto [code, mask] : {std::pair{layout.shiftKey, layout.shiftMask},
                              {layout.level3Key, layout.level3Mask},
                              {layout.ctrlKey, layout.ctrlMask},
                              {layout.altKey, layout.altMask}}) {
        if (code != 0) layout.modifierKeys.emplace_back(mask, code);
    }

    // Modifier combinations to try, fewest keys first.
    std::vector<unsigned> combos;
    const std::size_t keys = layout.modifierKeys.size();
    for (unsigned subset = 0; subset < (1u << keys); ++subset) {
        unsigned mask = 0;
        for (std::size_t k = 0; k < keys; ++k) {
            if (subset & (1u << k)) mask |= layout.modifierKeys[k].first;
        }
        combos.push_back(mask);
    }
    std::stable_sort(combos.begin(), combos.end(),
                     [](unsigned a, unsigned b) { return std::popcount(a) < std::popcount(b); });
    const unsigned charMods = layout.shiftMask | layout.level3Mask;

    for (unsigned pressed : combos) {
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
            const int g = groupOf(kc);
            if (g < 0 || bindings.contains(KeyCode(kc))) continue;
            const XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, g);
            const unsigned effective = (pressed | locked) & type->mods.mask;
            int level = 0;
            for (int e = 0; e < type->map_count; ++e) {
                if (type->map[e].active && type->map[e].mods.mask == effective) {
                    level = type->map[e].level;
                    break;
                }
            }
            const KeySym ks = symAt(kc, level);
            if (ks == NoSymbol) continue;
            const Stroke stroke{KeyCode(kc), pressed};
            layout.byKeysym.emplace(ks, stroke);
            // Characters are never typed with Ctrl or Alt held, nor from the keypad.
            if ((pressed & ~charMods) == 0 && !IsKeypad(ks)) {
                const char32_t cp = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(ks));
                if (cp != 0) layout.byChar.emplace(cp, stroke);
            }
        }
    }

    char down[32];
    XQueryKeymap(dpy, down);
    for (int kc = xkb->max_key_code; kc >= xkb->min_key_code; --kc) {
        const unsigned mods = xkb->map->modmap[kc];
        if (mods & ~unsigned(LockMask)) layout.modifiers.push_back(KeyCode(kc));
        const bool pressed = (down[kc / 8] >> (kc % 8)) & 1;
        if (XkbKeyNumSyms(xkb, kc) == 0 && mods == 0 && !pressed && kc <= 255 &&
            !bindings.contains(KeyCode(kc))) {
            layout.spare.push_back(KeyCode(kc));
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    return true;
}

// One resolved key stroke: a layout key, or a keysym that needs a spare key.
struct Planned {
    Stroke stroke;
    KeySym missing = NoSymbol;
    std::uint8_t notationMods = 0;
    bool capsLock = false;
};

}  // namespace

struct X11KeySender::Impl {
    TypingGate* gate;
    X11KeySenderOptions options;
    Display* dpy = nullptr;
    Window clockWindow = 0;
    Atom clockAtom = None;
    std::vector<unsigned> lastKeycodes;
    Bindings bindings;

    Clock::duration Hold() const { return std::chrono::milliseconds(options.remapHoldMs); }

    bool Connect(std::string& error) {
        if (dpy != nullptr) return true;
        dpy = XOpenDisplay(options.display.empty() ? nullptr : options.display.c_str());
        if (dpy == nullptr) {
            error = "The X display could not be opened to type the keys.";
            return false;
        }
        int event, errorBase, major = 2, minor = 2;
        int opcode;
        if (!XTestQueryExtension(dpy, &event, &errorBase, &major, &minor) ||
            !XkbQueryExtension(dpy, &opcode, &event, &errorBase, &major, &minor)) {
            XCloseDisplay(dpy);
            dpy = nullptr;
            error = "The X display offers no XTest or XKB extension to type keys with.";
            return false;
        }
        XSetWindowAttributes attributes{};
        attributes.event_mask = PropertyChangeMask;
        clockWindow = XCreateWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, InputOnly,
                                    CopyFromParent, CWEventMask, &attributes);
        clockAtom = XInternAtom(dpy, "BLENVAR_KEY_CLOCK", False);
        return true;
    }

    // The server's current time: an empty property append answers with a stamped event.
    Time ServerTime() {
        XChangeProperty(dpy, clockWindow, clockAtom, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(dpy, clockWindow, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    void WaitForHeldModifiers(const Layout& layout) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(options.heldModifierTimeoutMs);
        for (;;) {
            char down[32];
            XQueryKeymap(dpy, down);
            const bool held =
                std::any_of(layout.modifiers.begin(), layout.modifiers.end(),
                            [&](KeyCode kc) { return ((down[kc / 8] >> (kc % 8)) & 1) != 0; });
            if (!held || std::chrono::steady_clock::now() >= deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    bool Bind(KeyCode code, KeySym ks) {
        int perCode = 0;
        KeySym* current = XGetKeyboardMapping(dpy, code, 1, &perCode);
        if (current != nullptr) XFree(current);
        perCode = std::max(perCode, 1);
        std::vector<KeySym> syms(std::size_t(perCode), ks);
        XChangeKeyboardMapping(dpy, code, perCode, syms.data(), 1);
        XSync(dpy, False);
        // Read it back: the key must not go out before the server has the new symbol.
        KeySym* now = XGetKeyboardMapping(dpy, code, 1, &perCode);
        const bool ok = now != nullptr && perCode > 0 && now[0] == ks;
        if (now != nullptr) XFree(now);
        return ok;
    }

    // Unbinds the key codes held past their hold time; one another program
    // has bound since is left alone.
    void RestoreDue(Clock::time_point now) {
        if (dpy == nullptr || bindings.empty()) return;
        ScopedErrorHandler errors;
        for (auto it = bindings.begin(); it != bindings.end();) {
            if (it->second.lastUse + Hold() > now) {
                ++it;
                continue;
            }
            int perCode = 0;
            KeySym* current = XGetKeyboardMapping(dpy, it->first, 1, &perCode);
            if (current != nullptr && perCode > 0 && current[0] == it->second.keysym) {
                KeySym none = NoSymbol;
                XChangeKeyboardMapping(dpy, it->first, 1, &none, 1);
            }
            if (current != nullptr) XFree(current);
            it = bindings.erase(it);
        }
        XSync(dpy, False);
        DropEvents();
    }

    std::optional<Clock::time_point> NextRestoreDeadline() const {
        std::optional<Clock::time_point> next;
        for (const auto& [code, binding] : bindings) {
            const auto due = binding.lastUse + Hold();
            if (!next || due < *next) next = due;
        }
        return next;
    }

    // Mapping notices about our own changes; nothing here reads them.
    void DropEvents() {
        while (XPending(dpy) > 0) {
            XEvent stale;
            XNextEvent(dpy, &stale);
        }
    }

    KeyCode BoundTo(KeySym keysym) const {
        for (const auto& [code, binding] : bindings) {
            if (binding.keysym == keysym) return code;
        }
        return 0;
    }

    // Binds the characters of plan[from..] that no key code has yet, all
    // before the next key goes out: bound one by one between keys, they
    // reached an Xlib client (one that reads the keymap as xev does) as
    // NoSymbol. Takes unused key codes first; with none left, waits until the
    // hold time of ours is over and rebinds them, least recently used first.
    template <typename ReleaseModifiers>
    bool BindAhead(const std::vector<Planned>& plan, std::size_t from, const Layout& layout,
                   std::size_t& nextSpare, ReleaseModifiers releaseModifiers) {
        std::vector<KeySym> wanted;
        for (std::size_t i = from; i < plan.size(); ++i) {
            const KeySym ks = plan[i].missing;
            if (ks != NoSymbol && BoundTo(ks) == 0 &&
                std::find(wanted.begin(), wanted.end(), ks) == wanted.end()) {
                wanted.push_back(ks);
            }
        }
        if (wanted.empty()) return true;
        std::vector<KeyCode> codes;
        if (nextSpare < layout.spare.size()) {
            const std::size_t n = std::min(wanted.size(), layout.spare.size() - nextSpare);
            codes.assign(layout.spare.begin() + std::ptrdiff_t(nextSpare),
                         layout.spare.begin() + std::ptrdiff_t(nextSpare + n));
            nextSpare += n;
        } else {
            std::vector<std::pair<Clock::time_point, KeyCode>> byUse;
            for (const auto& [code, binding] : bindings) byUse.emplace_back(binding.lastUse, code);
            std::sort(byUse.begin(), byUse.end());
            byUse.resize(std::min(byUse.size(), wanted.size()));
            if (byUse.empty()) return false;
            releaseModifiers(0u);
            XSync(dpy, False);
            std::this_thread::sleep_until(byUse.back().first + Hold());
            for (const auto& [use, code] : byUse) codes.push_back(code);
        }
        for (std::size_t k = 0; k < codes.size(); ++k) {
            bindings[codes[k]] = Binding{wanted[k], Clock::now()};
            if (!Bind(codes[k], wanted[k])) return false;
        }
        return true;
    }

    bool Send(const std::vector<KeyAction>& actions, std::string& error);
};

X11KeySender::X11KeySender(TypingGate* gate, X11KeySenderOptions options)
    : impl_(std::make_unique<Impl>()) {
    impl_->gate = gate;
    impl_->options = std::move(options);
}

X11KeySender::~X11KeySender() {
    // Keys typed just before the end still get their hold time.
    Clock::time_point last;
    for (const auto& [code, binding] : impl_->bindings) last = std::max(last, binding.lastUse);
    if (!impl_->bindings.empty()) std::this_thread::sleep_until(last + impl_->Hold());
    impl_->RestoreDue(Clock::time_point::max());
    if (impl_->dpy != nullptr) {
        XDestroyWindow(impl_->dpy, impl_->clockWindow);
        XCloseDisplay(impl_->dpy);
    }
}

const std::vector<unsigned>& X11KeySender::LastKeycodes() const {
    return impl_->lastKeycodes;
}

bool X11KeySender::Send(const std::vector<KeyAction>& actions, std::string& error) {
    return impl_->Send(actions, error);
}

void X11KeySender::RestoreDue(std::chrono::steady_clock::time_point now) {
    impl_->RestoreDue(now);
}

std::optional<std::chrono::steady_clock::time_point> X11KeySender::NextRestoreDeadline() const {
    return impl_->NextRestoreDeadline();
}

bool X11KeySender::Impl::Send(const std::vector<KeyAction>& actions, std::string& error) {
    lastKeycodes.clear();
    if (actions.empty()) return true;
    if (!Connect(error)) return false;
    ScopedErrorHandler errors;
    DropEvents();

    Layout layout;
    if (!LoadLayout(dpy, bindings, layout, error)) return false;

    // Resolve everything first: a sequence that cannot be typed types nothing.
    std::vector<Planned> plan;
    plan.reserve(actions.size());
    std::set<KeySym> missing;
    for (const KeyAction& action : actions) {
        Planned p;
        p.notationMods = action.modifiers;
        p.capsLock = action.key == NamedKey::CapsLock;
        if (action.key != NamedKey::Character) {
            const KeySym ks = CodesOf(action.key).keysym;
            if (auto it = layout.byKeysym.find(ks); it != layout.byKeysym.end()) {
                p.stroke = it->second;
            } else {
                p.missing = ks;
            }
        } else {
            const char32_t cp = action.character;
            if (!TypableCharacter(cp, error)) return false;
            if (auto it = layout.byChar.find(cp); it != layout.byChar.end()) {
                p.stroke = it->second;
            } else {
                p.missing = xkb_utf32_to_keysym(cp);
                if (p.missing == NoSymbol) {
                    error = "The character " + CharacterName(cp) + " cannot be typed.";
                    return false;
                }
            }
        }
        if (p.missing != NoSymbol) missing.insert(p.missing);
        plan.push_back(p);
    }
    const struct {
        std::uint8_t flag;
        unsigned mask;
        const char* name;
    } notation[] = {{kModShift, layout.shiftMask, "Shift"},
                    {kModCtrl, layout.ctrlMask, "Ctrl"},
                    {kModAlt, layout.altMask, "Alt"}};
    for (const Planned& p : plan) {
        for (const auto& n : notation) {
            if ((p.notationMods & n.flag) && n.mask == 0) {
                error = std::string("The keyboard layout has no ") + n.name + " key to hold.";
                return false;
            }
        }
    }
    if (!missing.empty() && layout.spare.empty() && bindings.empty()) {
        error = "The keyboard layout has no spare key code to type characters it lacks.";
        return false;
    }

    if (gate != nullptr) gate->BeginTyping();
    WaitForHeldModifiers(layout);

    std::set<unsigned> used;
    unsigned pressedMods = 0;
    const auto press = [&](KeyCode code, bool down) {
        XTestFakeKeyEvent(dpy, code, down ? True : False, CurrentTime);
        if (down) used.insert(code);
    };
    const auto holdOnly = [&](unsigned want) {
        for (auto [mask, code] : layout.modifierKeys) {
            if ((pressedMods & mask) && !(want & mask)) press(code, false);
        }
        for (auto [mask, code] : layout.modifierKeys) {
            if (!(pressedMods & mask) && (want & mask)) press(code, true);
        }
        pressedMods = want;
    };

    if (layout.capsLocked) XkbLockModifiers(dpy, XkbUseCoreKbd, LockMask, 0);

    std::size_t nextSpare = 0;
    std::set<KeyCode> boundUsed;  // their hold counts from the end of this Send
    int capsToggles = 0;
    bool ok = true;
    for (std::size_t i = 0; i < plan.size() && ok; ++i) {
        const Planned& p = plan[i];
        if (gate != nullptr) {
            gate->Pass([&] {
                holdOnly(0);
                XSync(dpy, False);
            });
        }
        Stroke stroke = p.stroke;
        if (p.missing != NoSymbol) {
            KeyCode code = BoundTo(p.missing);
            if (code == 0 && BindAhead(plan, i, layout, nextSpare, holdOnly)) {
                code = BoundTo(p.missing);
            }
            if (code == 0) {
                error =
                    "A spare key code could not be bound to type a character the "
                    "keyboard layout lacks.";
                ok = false;
                break;
            }
            bindings[code].lastUse = Clock::now();
            boundUsed.insert(code);
            stroke = Stroke{code, 0};
        }
        unsigned want = stroke.mods;
        for (const auto& n : notation) {
            if (p.notationMods & n.flag) want |= n.mask;
        }
        holdOnly(want);
        press(stroke.code, true);
        press(stroke.code, false);
        if (p.capsLock) ++capsToggles;
        // Keep the request queue short so a slow client is never flooded.
        if (i % 256 == 255) XSync(dpy, False);
    }

    holdOnly(0);
    if (layout.capsLocked) {
        XkbLockModifiers(dpy, XkbUseCoreKbd, LockMask, capsToggles % 2 == 0 ? LockMask : 0);
    }
    XSync(dpy, False);
    const auto sent = Clock::now();
    for (KeyCode code : boundUsed) bindings[code].lastUse = sent;
    if (gate != nullptr) gate->EndTyping(std::uint32_t(ServerTime()));
    lastKeycodes.assign(used.begin(), used.end());
    if (ok && g_xErrors != 0) {
        error = "The X server refused some of the keys.";
        ok = false;
    }
    return ok;
}

}  // namespace blenvar
