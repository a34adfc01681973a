#pragma once
// Types key strokes into the focused X11 window through XTest.
//
// Characters are typed by keysym on the active layout and group: the key and
// shift level (Shift, AltGr/ISO_Level3, whatever the key's type asks for) are
// looked up on every Send, so a layout switch between scans is followed. A
// character the layout lacks is bound to a spare (unused) keycode, all such
// bindings of a Send before its next key. Clients read the keymap only when
// they get to the mapping notice or the key, so a binding stays remapHoldMs
// after its last key (the same character comes back on the same keycode
// meanwhile). The owner calls RestoreDue at NextRestoreDeadline after each
// Send; the destructor waits out the hold time left and restores the rest.
// Caps Lock is released while typing and put back (toggled once per
// {CAPSLOCK} typed).
//
// Before typing, Send waits (up to heldModifierTimeoutMs) for Shift, Ctrl, Alt
// and other modifier keys the user still holds, then types anyway; before each
// key it waits at the gate, its modifiers released, while the capture holds
// the keyboard; the gate also learns when it types, so the capture knows its
// keys from those of other programs typing through XTest. Every modifier it pressed is released
// before it returns, also on errors. It returns after an XSync, when the server has delivered every
// key. It waits, so it runs on a thread of its own (TypingThread), which alone
// uses it and its X connection. The keycodes pressed by the last Send are in
// LastKeycodes().
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/key_sender.h"

namespace blenvar {

class TypingGate;

struct X11KeySenderOptions {
    std::string display;  // empty: $DISPLAY
    int heldModifierTimeoutMs = 5000;
    // How long a spare keycode keeps its character after the last key typed
    // on it, before it is restored or bound to another character.
    int remapHoldMs = 1000;
};

class X11KeySender : public KeySender {
  public:
    explicit X11KeySender(TypingGate* gate = nullptr, X11KeySenderOptions options = {});
    ~X11KeySender() override;
    X11KeySender(const X11KeySender&) = delete;
    X11KeySender& operator=(const X11KeySender&) = delete;

    bool Send(const std::vector<KeyAction>& actions, std::string& error) override;

    const std::vector<unsigned>& LastKeycodes() const;

    // Restores the spare keycodes whose hold time is over at `now`
    // (time_point::max(): all of them).
    void RestoreDue(std::chrono::steady_clock::time_point now) override;
    // When the next binding's hold time is over; none while nothing is bound.
    std::optional<std::chrono::steady_clock::time_point> NextRestoreDeadline() const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace blenvar
