#include "capture/input_devices.h"

#include <linux/input.h>

namespace blenvar {
namespace {

bool HasBit(std::span<const std::uint8_t> bits, unsigned code) {
    return code / 8 < bits.size() && (bits[code / 8] & (1u << (code % 8))) != 0;
}

bool HasAll(std::span<const std::uint8_t> bits, std::initializer_list<unsigned> codes) {
    for (unsigned code : codes) {
        if (!HasBit(bits, code)) return false;
    }
    return true;
}

}  // namespace

const DeviceIdentity& OwnKeyboardIdentity() {
    static const DeviceIdentity id{BUS_VIRTUAL, 0x0000, 0x6276, "Blenvar virtual keyboard", ""};
    return id;
}

bool IsOwnKeyboard(const DeviceIdentity& id) {
    const DeviceIdentity& own = OwnKeyboardIdentity();
    return id.bus == own.bus && id.vendor == own.vendor && id.product == own.product &&
           id.name == own.name;
}

bool IsKeyboard(std::span<const std::uint8_t> keyBits) {
    if (!HasBit(keyBits, KEY_ENTER) && !HasBit(keyBits, KEY_KPENTER)) return false;
    const bool digits =
        HasAll(keyBits, {KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, KEY_0});
    const bool keypad = HasAll(keyBits, {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5,
                                         KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9});
    // The letter keys are not numbered in order.
    const bool letters =
        HasAll(keyBits, {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                         KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                         KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z});
    return digits || keypad || letters;
}

std::vector<std::size_t> DevicesToGrab(std::span<const InputDevice> devices, CaptureDevices mode,
                                       const std::optional<ScannerId>& scanner) {
    if (!scanner) mode = CaptureDevices::All;
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceIdentity& id = devices[i].id;
        if (IsOwnKeyboard(id)) continue;
        if (mode == CaptureDevices::All ? devices[i].keyboard
                                        : ScannerMatches(*scanner, id.name, id.vendor, id.product))
            chosen.push_back(i);
    }
    return chosen;
}

ScannerId ScannerIdOf(const DeviceIdentity& id) {
    return {StoredDeviceName(id.name), id.vendor, id.product};
}

}  // namespace blenvar
