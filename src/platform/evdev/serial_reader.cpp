#include "platform/evdev/serial_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "capture/serial_framing.h"
#include "core/monotonic_clock.h"
#include "platform/evdev/evdev_devices.h"

namespace blenvar {

namespace {

namespace fs = std::filesystem;

speed_t SpeedOf(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B9600;
    }
}

// False with errno set when the port is no terminal or refuses the settings.
bool MakeRaw(int fd, const SerialScannerSetup& s) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    cfsetispeed(&t, SpeedOf(s.speed));
    cfsetospeed(&t, SpeedOf(s.speed));
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
    if (s.parity != 'N') t.c_cflag |= PARENB | (s.parity == 'O' ? PARODD : 0);
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

std::string FindUsbSerial(std::uint16_t vendor, std::uint16_t product, const std::string& sysTty) {
    char want[10];
    std::snprintf(want, sizeof want, "%04x:%04x", unsigned(vendor), unsigned(product));
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysTty, ec)) {
        // The USB device is the first folder above the tty's interface with the ids.
        for (fs::path dir = fs::canonical(entry.path() / "device", ec);
             !ec && dir.has_relative_path(); dir = dir.parent_path()) {
            if (!fs::exists(dir / "idVendor")) continue;
            if (SysfsLine(dir / "idVendor") + ":" + SysfsLine(dir / "idProduct") == want)
                return "/dev/" + entry.path().filename().string();
            break;
        }
        ec.clear();
    }
    return {};
}

struct SerialReader::Impl {
    SerialScannerSetup setup;
    Reports reports;
    SerialFraming framing{100};
    std::unique_ptr<InputFolderWatch> devWatch;
    std::unique_ptr<InputFolderWatch> pathWatch;  // the device's own folder (by-id links)
    WakeSignal wake;
    int fd = -1;
    std::string path;
    std::string lastProblem;
    std::thread thread;

    void Notice(const std::string& message) {
        if (reports.notice) reports.notice(message);
    }

    void TryOpen() {
        if (fd >= 0) return;
        path = setup.device.empty() ? FindUsbSerial(setup.vendor, setup.product) : setup.device;
        if (path.empty()) return;
        fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && !MakeRaw(fd, setup)) {
            close(fd);
            fd = -1;
        }
        if (fd >= 0) {
            lastProblem.clear();
            Notice("serial scanner " + path + " opened");
            return;
        }
        std::string problem =
            "serial scanner " + path + " cannot be opened: " + std::strerror(errno);
        if (errno == EACCES || errno == EPERM)
            problem += " (serial ports need membership of the group \"dialout\")";
        if (errno != ENOENT && problem != lastProblem) Notice(problem);
        lastProblem = problem;
    }

    void Close() {
        bool cut = false;
        if (auto scan = framing.Close(cut))
            if (reports.scan) reports.scan(*scan, path);
        if (cut)
            Notice("serial scanner " + path +
                   " went away in the middle of a scan; the part read was dropped");
        else
            Notice("serial scanner " + path + " went away");
        close(fd);
        fd = -1;
    }

    void Run() {
        for (;;) {
            pollfd fds[4] = {{wake.Fd(), POLLIN, 0},
                             {devWatch->Fd(), POLLIN, 0},
                             {pathWatch ? pathWatch->Fd() : -1, POLLIN, 0},
                             {fd, POLLIN, 0}};
            int timeout = -1;
            if (const auto deadline = framing.Deadline()) {
                const std::uint64_t now = MonotonicMs();
                timeout = *deadline > now ? int(*deadline - now) : 0;
            }
            if (poll(fds, 4, timeout) < 0 && errno != EINTR) return;
            if (fds[0].revents) return;
            bool changed = false;
            if (fds[1].revents) changed |= !devWatch->Changed().empty();
            if (fds[2].revents) changed |= !pathWatch->Changed().empty();
            if (fds[3].revents & POLLIN) {
                char buffer[4096];
                ssize_t n;
                while ((n = read(fd, buffer, sizeof buffer)) > 0)
                    framing.Feed(std::string_view(buffer, std::size_t(n)), MonotonicMs());
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) Close();
            } else if (fds[3].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                Close();
            }
            if (auto scan = framing.Tick(MonotonicMs()))
                if (reports.scan) reports.scan(*scan, path);
            if (changed) TryOpen();
        }
    }
};

std::unique_ptr<SerialReader> SerialReader::Start(const SerialScannerSetup& setup, int gapMs,
                                                  Reports reports, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->setup = setup;
    impl->reports = std::move(reports);
    impl->framing = SerialFraming(std::uint64_t(gapMs));
    impl->devWatch = std::make_unique<InputFolderWatch>("/dev", "tty");
    if (impl->devWatch->Fd() < 0 || !impl->wake.Ok()) {
        error = "cannot watch /dev for the serial scanner";
        return nullptr;
    }
    const fs::path device(setup.device);
    if (!setup.device.empty() && device.parent_path() != "/dev")
        impl->pathWatch = std::make_unique<InputFolderWatch>(device.parent_path().string(),
                                                             device.filename().string());
    impl->TryOpen();
    Impl& i = *impl;
    impl->thread = std::thread([&i] { i.Run(); });
    std::unique_ptr<SerialReader> reader(new SerialReader());
    reader->impl_ = std::move(impl);
    return reader;
}

SerialReader::~SerialReader() {
    impl_->wake.Wake();
    impl_->thread.join();
    if (impl_->fd >= 0) close(impl_->fd);
}

}  // namespace blenvar
