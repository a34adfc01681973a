#pragma once
// Which input devices the evdev backend reads and grabs. A device is known by its
// identity (bus, vendor, product, name, physical path), kept in the settings file as text
// so the trained scanner is found again after a restart or a re-plug.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output/settings_layout.h"

namespace blenvar {

struct DeviceIdentity {
    std::uint16_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string name;
    std::string phys;
    friend bool operator==(const DeviceIdentity&, const DeviceIdentity&) = default;
};

// `0003:0c2e:0b61 "Name" "usb-0000:00:14.0-2/input0"`: bus, vendor and product as four
// hex digits, then name and physical path quoted, with `"` and `\` escaped by `\` and
// control bytes as \xHH, so any name survives one line of the settings file.
std::string IdentityText(const DeviceIdentity& id);
// Empty for text not of that form.
std::optional<DeviceIdentity> ParseIdentity(std::string_view text);

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

// Indexes into `devices` of those to grab. All: every keyboard but ours. Scanner: the
// devices whose identity equals `scanner`; when none is present, those equal in all but
// the physical path (the scanner moved to another port). Scanner mode without a valid
// scanner identity grabs like All, so scans are still captured. Ours is never chosen.
std::vector<std::size_t> DevicesToGrab(std::span<const InputDevice> devices, CaptureDevices mode,
                                       const std::optional<DeviceIdentity>& scanner);

}  // namespace blenvar
