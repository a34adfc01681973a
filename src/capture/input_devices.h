#pragma once
// Which input devices the evdev backend reads and grabs. A device is known by its
// identity (bus, vendor, product, name, physical path); the scanner is found again by its
// name, vendor and product after a restart or a re-plug.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/scanner_device.h"
#include "settings/settings_layout.h"

namespace blenvar {

struct DeviceIdentity {
    std::uint16_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string name;
    std::string phys;
    friend bool operator==(const DeviceIdentity&, const DeviceIdentity&) = default;
};

// Our own virtual keyboard: never grabbed, so what it re-emits never comes back to us.
// Recognised by bus, vendor, product and name; its physical path is whatever uinput gives.
const DeviceIdentity& OwnKeyboardIdentity();
bool IsOwnKeyboard(const DeviceIdentity& id);

// From the device's key capability bits (EVIOCGBIT(EV_KEY)): it has Enter and can type
// digits (main row or keypad) or letters. Scanners qualify; mice, power buttons, lid
// switches and media remotes do not.
bool IsKeyboard(std::span<const std::uint8_t> keyBits);

struct InputDevice {
    std::string path;  // /dev/input/eventN
    DeviceIdentity id;
    bool keyboard = false;  // IsKeyboard of its key bits
};

// Indexes into `devices` of those to grab. All: every keyboard but ours. Scanner: every
// device that matches `scanner` (whatever port it is on). Scanner mode without a valid
// scanner grabs like All, so scans are still captured. Ours is never chosen.
std::vector<std::size_t> DevicesToGrab(std::span<const InputDevice> devices, CaptureDevices mode,
                                       const std::optional<ScannerId>& scanner);

// What training saves for this device.
ScannerId ScannerIdOf(const DeviceIdentity& id);

}  // namespace blenvar
