#pragma once
// Which capture backend runs. Decided from the session, not from Qt's platform name: under
// XWayland that says xcb too, yet the X server then sees only the keys of X programs.
#include <string_view>

#include "settings/settings_layout.h"

namespace blenvar {

enum class BackendKind { X11, Evdev };

// A Wayland session: the type logind gives it ($XDG_SESSION_TYPE) is "wayland" (in any
// case, blanks ignored), or a Wayland display is there ($WAYLAND_DISPLAY): a compositor
// started from a console leaves the type "tty".
bool WaylandSession(std::string_view sessionType, std::string_view waylandDisplay);
// The same, from this process's environment.
bool WaylandSession();

// The setting wins unless it is Auto. Auto: the input devices on Wayland or without an X
// display ($DISPLAY empty), X11 otherwise (x11, tty with startx, or no session type).
BackendKind ChooseBackend(KeyboardBackend setting, bool waylandSession, bool hasDisplay);

std::string_view BackendName(BackendKind kind);

}  // namespace blenvar
