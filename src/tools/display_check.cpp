// Kept apart from the Qt code: Xlib's macros clash with Qt's headers.
#include "tools/display_check.h"

#include <X11/Xlib.h>

namespace blenvar {

bool CanOpenDisplay() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}

}  // namespace blenvar
