#include "platform/evdev/evdev_setup.h"

#include "platform/evdev/xkb_keymap.h"

namespace blenvar {

EvdevCaptureSetup EvdevSetupFor(const CaptureSetup& setup, bool training) {
    EvdevCaptureSetup evdev;
    if (!training) {
        evdev.mode = setup.devices;
        evdev.scanner = ParseScanner(setup.scannerDevice);
    }
    evdev.modifiers = CaptureModifiersFor(setup.keyboardLayout);
    std::string noSession;
    evdev.session = ConnectLogindSession(noSession);
    return evdev;
}

}  // namespace blenvar
