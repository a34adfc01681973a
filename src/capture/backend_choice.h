#pragma once
// Which capture backend runs. Decided from the session type logind gives the session
// ($XDG_SESSION_TYPE), not from Qt's platform name: under XWayland that says xcb too, yet
// the X server then sees only the keys of X programs.
#include <string_view>

#include "settings/settings_layout.h"

namespace blenvar {

enum class BackendKind { X11, Evdev };

// The setting wins unless it is Auto. Auto: the input devices on Wayland or without an X
// display ($DISPLAY empty), X11 otherwise (x11, tty with startx, or no session type).
BackendKind ChooseBackend(KeyboardBackend setting, std::string_view sessionType, bool hasDisplay);

std::string_view BackendName(BackendKind kind);

}  // namespace blenvar
