#include "shell/main/tray_policy.h"

namespace blenvar {

WindowAction TrayPolicy::OnTrayClick(TrayClick click) const {
    switch (click) {
        case TrayClick::Double:
        case TrayClick::Right:
            return WindowAction::Show;
        case TrayClick::Single:
            // Elsewhere a single click is half of a double-click and does nothing.
            return singleActivation_ ? WindowAction::Show : WindowAction::None;
        case TrayClick::Middle:
            break;
    }
    return WindowAction::None;
}

bool TrayPolicy::TakeNoTrayNotice() {
    if (Tray() || noticeGiven_) return false;
    noticeGiven_ = true;
    return true;
}

}  // namespace blenvar
