#include "platform/evdev/evdev_uinput.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "capture/input_devices.h"

namespace blenvar {
namespace {

// The keys an X server can deliver (codes 1-247); buttons would make it look like a mouse.
constexpr int kLastKey = 255 - 8;

}  // namespace

std::optional<VirtualKeyboard> VirtualKeyboard::Create(const std::string& uinputPath,
                                                       std::string& error, int* errnoOut) {
    VirtualKeyboard keyboard;
    keyboard.fd_ = open(uinputPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const auto fail = [&](const char* step) {
        if (errnoOut != nullptr) *errnoOut = errno;
        error = uinputPath + ": " + step + ": " + std::strerror(errno);
        return std::nullopt;
    };
    if (keyboard.fd_ < 0) return fail("cannot be opened");
    const int fd = keyboard.fd_;
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_SYN) < 0 ||
        ioctl(fd, UI_SET_EVBIT, EV_MSC) < 0 || ioctl(fd, UI_SET_MSCBIT, MSC_SCAN) < 0) {
        return fail("event types refused");
    }
    for (int code = 1; code <= kLastKey; ++code) {
        if (ioctl(fd, UI_SET_KEYBIT, code) < 0) return fail("keys refused");
    }
    uinput_setup setup{};
    const DeviceIdentity& own = OwnKeyboardIdentity();
    setup.id.bustype = own.bus;
    setup.id.vendor = own.vendor;
    setup.id.product = own.product;
    setup.id.version = 1;
    std::strncpy(setup.name, own.name.c_str(), UINPUT_MAX_NAME_SIZE - 1);
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0) return fail("setup refused");
    if (ioctl(fd, UI_DEV_CREATE) < 0) return fail("device not created");
    return keyboard;
}

VirtualKeyboard::~VirtualKeyboard() {
    if (fd_ < 0) return;
    ioctl(fd_, UI_DEV_DESTROY);
    close(fd_);
}

VirtualKeyboard::VirtualKeyboard(VirtualKeyboard&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

bool VirtualKeyboard::Write(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event ev{};
    ev.type = type;
    ev.code = code;
    ev.value = value;
    for (;;) {
        const ssize_t n = write(fd_, &ev, sizeof ev);
        if (n == ssize_t(sizeof ev)) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

bool VirtualKeyboard::Key(std::uint16_t code, std::int32_t value) {
    return Write(EV_KEY, code, value) && Write(EV_SYN, SYN_REPORT, 0);
}

bool VirtualKeyboard::Emit(const input_event& ev) {
    if (ev.type == EV_KEY && (ev.code == 0 || ev.code > kLastKey)) return true;
    if (ev.type == EV_SYN && ev.code != SYN_REPORT) return true;
    if (ev.type != EV_KEY && ev.type != EV_SYN && ev.type != EV_MSC) return true;
    return Write(ev.type, ev.code, ev.value);
}

}  // namespace blenvar
