#include "platform/evdev/evdev_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>

namespace blenvar {
namespace {

bool TestBit(const std::uint8_t* bits, std::size_t size, unsigned bit) {
    return bit / 8 < size && (bits[bit / 8] & (1u << (bit % 8))) != 0;
}

std::string IoctlText(int fd, unsigned long request) {
    char buffer[256] = {};
    if (ioctl(fd, request, buffer) < 0) return {};
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

bool Describe(int fd, const std::string& path, InputDevice& info, bool& numLockLed) {
    input_id id{};
    if (ioctl(fd, EVIOCGID, &id) < 0) return false;
    info.path = path;
    info.id.bus = id.bustype;
    info.id.vendor = id.vendor;
    info.id.product = id.product;
    info.id.name = IoctlText(fd, EVIOCGNAME(256));
    info.id.phys = IoctlText(fd, EVIOCGPHYS(256));
    KeyBitmap keys{};
    if (ioctl(fd, EVIOCGBIT(EV_KEY, keys.size()), keys.data()) < 0) keys.fill(0);
    info.keyboard = IsKeyboard(keys);
    std::uint8_t leds[(LED_CNT + 7) / 8] = {};
    numLockLed = ioctl(fd, EVIOCGBIT(EV_LED, sizeof leds), leds) >= 0 &&
                 TestBit(leds, sizeof leds, LED_NUML);
    return true;
}

bool AnySet(const KeyBitmap& bits) {
    for (std::uint8_t b : bits) {
        if (b != 0) return true;
    }
    return false;
}

}  // namespace

std::optional<EvdevDevice> EvdevDevice::Open(const std::string& path, std::string& error,
                                             int* errnoOut) {
    EvdevDevice device;
    device.fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (device.fd_ < 0 || !Describe(device.fd_, path, device.info_, device.hasNumLockLed_)) {
        if (errnoOut != nullptr) *errnoOut = errno;
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    int clock = CLOCK_MONOTONIC;
    if (ioctl(device.fd_, EVIOCSCLOCKID, &clock) < 0) {
        if (errnoOut != nullptr) *errnoOut = errno;
        error = path + ": no monotonic event times: " + std::strerror(errno);
        return std::nullopt;
    }
    return device;
}

EvdevDevice::~EvdevDevice() {
    if (fd_ < 0) return;
    Ungrab();
    close(fd_);
}

EvdevDevice::EvdevDevice(EvdevDevice&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      info_(std::move(other.info_)),
      hasNumLockLed_(other.hasNumLockLed_),
      grabbed_(std::exchange(other.grabbed_, false)) {}

EvdevDevice& EvdevDevice::operator=(EvdevDevice&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            Ungrab();
            close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        info_ = std::move(other.info_);
        hasNumLockLed_ = other.hasNumLockLed_;
        grabbed_ = std::exchange(other.grabbed_, false);
    }
    return *this;
}

bool EvdevDevice::NumLockLedOn() const {
    std::uint8_t leds[(LED_CNT + 7) / 8] = {};
    return ioctl(fd_, EVIOCGLED(sizeof leds), leds) >= 0 && TestBit(leds, sizeof leds, LED_NUML);
}

KeyBitmap EvdevDevice::HeldKeys() const {
    KeyBitmap keys{};
    if (ioctl(fd_, EVIOCGKEY(keys.size()), keys.data()) < 0) keys.fill(0);
    return keys;
}

EvdevDevice::GrabResult EvdevDevice::Grab(std::chrono::milliseconds maxWait, std::string& error) {
    if (grabbed_) return GrabResult::Grabbed;
    const auto end = std::chrono::steady_clock::now() + maxWait;
    while (AnySet(HeldKeys())) {
        if (std::chrono::steady_clock::now() >= end) return GrabResult::KeysHeld;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (ioctl(fd_, EVIOCGRAB, 1) < 0) {
        // EBUSY: another program holds the device.
        error = info_.path + ": cannot be grabbed: " + std::strerror(errno);
        return GrabResult::Failed;
    }
    grabbed_ = true;
    input_event drop[64];
    while (read(fd_, drop, sizeof drop) > 0) {
    }
    return GrabResult::Grabbed;
}

void EvdevDevice::Ungrab() {
    if (!grabbed_) return;
    ioctl(fd_, EVIOCGRAB, 0);
    grabbed_ = false;
}

bool EvdevDevice::Read(std::vector<input_event>& out, std::string& error) {
    input_event buffer[64];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + std::size_t(n) / sizeof(input_event));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        error = info_.path + (n == 0 || errno == ENODEV ? ": device removed"
                                                        : ": " + std::string(std::strerror(errno)));
        return false;
    }
}

std::optional<InputDevice> ProbeInputDevice(const std::string& path, int* errnoOut) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errnoOut != nullptr) *errnoOut = errno;
        return std::nullopt;
    }
    InputDevice info;
    bool numLockLed = false;
    const bool ok = Describe(fd, path, info, numLockLed);
    if (!ok && errnoOut != nullptr) *errnoOut = errno;
    close(fd);
    if (!ok) return std::nullopt;
    return info;
}

}  // namespace blenvar
