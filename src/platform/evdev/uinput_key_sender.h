#pragma once
// Types key strokes through Blenvar's virtual keyboard (uinput), for the evdev backend:
// on Wayland and the console there is no XTest. The kernel only carries key codes, so
// characters are looked up on an XKB layout (the KeyboardLayout setting or the system's;
// see xkb_keymap.h), which must match the one the desktop applies to our keyboard.
//
// A sequence is resolved before anything is typed: a character the layout cannot type
// fails the whole Send with nothing typed, never a wrong character. Every modifier it
// pressed is released before Send returns, also when a write fails. Send returns once
// the kernel has every event; it cannot know when the desktop has handled them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output/key_sender.h"
#include "platform/evdev/xkb_keymap.h"

namespace blenvar {

class VirtualKeyboard;

struct UinputKeySenderOptions {
    std::string layoutSetting;  // KeyboardLayout; empty for the system's layout
    std::string keyboardConfigFile = "/etc/default/keyboard";
    std::string xkbIncludePath;  // empty: libxkbcommon's default
    // The kernel keeps 64 events per reader of our device and drops the rest when the
    // desktop falls behind; at 2 key strokes per ms (a fast scanner's pace) a reader may
    // stall for about 8 ms without a loss.
    int strokesPerPause = 2;
    int pauseMicros = 1000;
};

class UinputKeySender : public KeySender {
  public:
    // One key event (press 1, release 0) followed by its SYN_REPORT; false on failure.
    using KeyWriter = std::function<bool(std::uint16_t code, std::int32_t value)>;

    UinputKeySender(VirtualKeyboard& keyboard, UinputKeySenderOptions options = {});
    UinputKeySender(KeyWriter writer, UinputKeySenderOptions options = {});

    bool Send(const std::vector<KeyAction>& actions, std::string& error) override;

  private:
    // Loaded on the first Send, so a bad layout setting is reported with the scan.
    const XkbKeymap* Keymap(std::string& error);

    KeyWriter writer_;
    UinputKeySenderOptions options_;
    std::optional<XkbKeymap> keymap_;
};

}  // namespace blenvar
