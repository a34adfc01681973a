#pragma once
// The evdev capture the settings ask for, for the tray program and the headless tool alike.
#include "platform/evdev/evdev_capture.h"
#include "settings/settings_layout.h"

namespace blenvar {

// The capture mode and scanner (training takes every keyboard instead: the sample may come
// from a scanner not known yet), the layout's modifier keys, and the login session to
// follow; nothing is captured while it is switched away or locked, and without logind (a
// kiosk) capture stays on.
EvdevCaptureSetup EvdevSetupFor(const CaptureSetup& setup, bool training = false);

}  // namespace blenvar
