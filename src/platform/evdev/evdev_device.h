#pragma once
// One open /dev/input/event* device: what it is, its key state, its events, and the
// exclusive grab that keeps its keys from every other reader. Event times are switched
// to CLOCK_MONOTONIC, the clock capture measures its window with.
#include <linux/input.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/input_devices.h"

namespace blenvar {

using KeyBitmap = std::array<std::uint8_t, KEY_CNT / 8>;

class EvdevDevice {
  public:
    // Opened for reading without blocking; empty with `error` set (errno kept in
    // `errnoOut` so a caller can tell missing rights, EACCES, from the rest).
    static std::optional<EvdevDevice> Open(const std::string& path, std::string& error,
                                           int* errnoOut = nullptr);
    ~EvdevDevice();
    EvdevDevice(EvdevDevice&& other) noexcept;
    EvdevDevice& operator=(EvdevDevice&& other) noexcept;
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    int Fd() const { return fd_; }
    const InputDevice& Info() const { return info_; }
    bool HasNumLockLed() const { return hasNumLockLed_; }
    bool NumLockLedOn() const;
    // Keys down now, as the kernel knows them.
    KeyBitmap HeldKeys() const;

    enum class GrabResult { Grabbed, KeysHeld, Failed };
    // Waits up to `maxWait` for no key of the device to be down (a key grabbed while down
    // would stay down for every other program), then grabs and drops the events queued
    // before the grab: other readers had those already. KeysHeld: nothing was grabbed.
    GrabResult Grab(std::chrono::milliseconds maxWait, std::string& error);
    void Ungrab();
    bool Grabbed() const { return grabbed_; }

    // Appends the events ready now. False when the device is gone (unplugged) or broken;
    // `error` says which.
    bool Read(std::vector<input_event>& out, std::string& error);

  private:
    EvdevDevice() = default;

    int fd_ = -1;
    InputDevice info_;
    bool hasNumLockLed_ = false;
    bool grabbed_ = false;
};

// Identity and kind of the device at `path`, opened only for the look (nullopt when it
// cannot be opened; errno in `errnoOut`).
std::optional<InputDevice> ProbeInputDevice(const std::string& path, int* errnoOut = nullptr);

}  // namespace blenvar
