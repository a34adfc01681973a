#include "shell/main/tray_policy.h"

#include "core/services.h"

namespace blenvar {

std::string TrayTip(int image, bool trained) {
    const char* state = image == kTrayScanOpen ? "scan in progress"
                        : trained              ? "ready"
                                               : "not trained";
    return std::string("Blenvar \u2014 ") + state;
}

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
