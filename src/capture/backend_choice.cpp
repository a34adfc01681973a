#include "capture/backend_choice.h"

#include <cstdlib>

#include "core/text.h"

namespace blenvar {

bool WaylandSession(std::string_view sessionType, std::string_view waylandDisplay) {
    return EqualsNoCaseAscii(Trim(sessionType, kBlanks), "wayland") ||
           !Trim(waylandDisplay, kBlanks).empty();
}

bool WaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return WaylandSession(type ? type : "", display ? display : "");
}

BackendKind ChooseBackend(KeyboardBackend setting, bool waylandSession, bool hasDisplay) {
    switch (setting) {
        case KeyboardBackend::X11:
            return BackendKind::X11;
        case KeyboardBackend::Evdev:
            return BackendKind::Evdev;
        case KeyboardBackend::Auto:
            break;
    }
    if (!hasDisplay || waylandSession) {
        return BackendKind::Evdev;
    }
    return BackendKind::X11;
}

std::string_view BackendName(BackendKind kind) {
    return kind == BackendKind::X11 ? kBackendX11 : kBackendEvdev;
}

}  // namespace blenvar
