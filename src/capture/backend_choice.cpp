#include "capture/backend_choice.h"

#include "core/text.h"

namespace blenvar {

BackendKind ChooseBackend(KeyboardBackend setting, std::string_view sessionType, bool hasDisplay) {
    switch (setting) {
        case KeyboardBackend::X11:
            return BackendKind::X11;
        case KeyboardBackend::Evdev:
            return BackendKind::Evdev;
        case KeyboardBackend::Auto:
            break;
    }
    if (!hasDisplay || EqualsNoCaseAscii(Trim(sessionType, kBlanks), "wayland")) {
        return BackendKind::Evdev;
    }
    return BackendKind::X11;
}

std::string_view BackendName(BackendKind kind) {
    return kind == BackendKind::X11 ? kBackendX11 : kBackendEvdev;
}

}  // namespace blenvar
