#include "platform/evdev/scan_source_lister.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "capture/hid_pos.h"
#include "platform/evdev/evdev_devices.h"
#include "platform/evdev/serial_reader.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;

std::optional<std::uint16_t> Hex16(std::string_view text) {
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 0xffff)
        return std::nullopt;
    return std::uint16_t(value);
}

ScanSourceAccess AccessOf(const std::string& path) {
    if (!fs::exists(path)) return ScanSourceAccess::Missing;
    return access(path.c_str(), R_OK) == 0 ? ScanSourceAccess::Readable : ScanSourceAccess::Denied;
}

// "event2" before "event10".
bool ByNumber(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> Nodes(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (const std::string name = entry.path().filename().string(); name.starts_with(prefix))
            names.push_back(name);
    std::sort(names.begin(), names.end(), ByNumber);
    return names;
}

// A node we may not open, named as sysfs shows it: a keyboard when its key bits say so
// (sysfs writes the bitmap as hex words, the highest first).
std::optional<ScanSource> DeniedKeyboard(const std::string& sys, const std::string& path) {
    const fs::path device = fs::path(sys) / "class/input" / fs::path(path).filename() / "device";
    std::istringstream words(SysfsLine(device / "capabilities/key"));
    std::vector<std::string> hex{std::istream_iterator<std::string>(words), {}};
    std::vector<std::uint8_t> bits;
    for (auto word = hex.rbegin(); word != hex.rend(); ++word) {
        unsigned long long value = 0;
        std::from_chars(word->data(), word->data() + word->size(), value, 16);
        for (std::size_t i = 0; i < sizeof(long); ++i, value >>= 8)
            bits.push_back(std::uint8_t(value));
    }
    if (!IsKeyboard(bits)) return std::nullopt;
    return ScanSource{ScanSourceKind::Keyboard,
                      SysfsLine(device / "name"),
                      path,
                      Hex16(SysfsLine(device / "id/vendor")),
                      Hex16(SysfsLine(device / "id/product")),
                      ScanSourceAccess::Denied};
}

// The HID POS scanner behind a hidraw node, named by the HID_NAME and HID_ID of its uevent.
std::optional<ScanSource> PosScanner(const std::string& sys, const std::string& dev,
                                     const std::string& node) {
    const fs::path device = fs::path(sys) / "class/hidraw" / node / "device";
    std::ifstream in(device / "report_descriptor", std::ios::binary);
    const std::vector<std::uint8_t> desc{std::istreambuf_iterator<char>(in), {}};
    if (!FindScannedDataReport(desc)) return std::nullopt;
    ScanSource s{ScanSourceKind::HidPos, node, dev + "/" + node, {}, {}, {}};
    std::ifstream uevent(device / "uevent");
    for (std::string line; std::getline(uevent, line);) {
        if (line.starts_with("HID_NAME=")) s.name = line.substr(9);
        if (line.starts_with("HID_ID=")) {
            // BUS:VENDOR:PRODUCT, vendor and product as eight hex digits.
            const std::size_t v = line.find(':'), p = line.find(':', v + 1);
            if (v != std::string::npos && p != std::string::npos) {
                s.vendor = Hex16(line.substr(v + 1, p - v - 1));
                s.product = Hex16(line.substr(p + 1));
            }
        }
    }
    if (!s.vendor || !s.product) s.vendor = s.product = std::nullopt;
    s.access = AccessOf(s.path);
    return s;
}

// The USB vendor and product above a tty, when it is a USB device's.
void UsbIdsOfTty(const std::string& sys, ScanSource& s) {
    std::error_code ec;
    const fs::path node = fs::canonical(s.path, ec);
    if (ec) return;
    for (fs::path dir = fs::canonical(fs::path(sys) / "class/tty" / node.filename() / "device", ec);
         !ec && dir.has_relative_path(); dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor")) continue;
        s.vendor = Hex16(SysfsLine(dir / "idVendor"));
        s.product = Hex16(SysfsLine(dir / "idProduct"));
        if (!s.vendor || !s.product) s.vendor = s.product = std::nullopt;
        return;
    }
}

}  // namespace

// Waits on the folders' inotify watches and a wake signal.
struct EvdevScanSourceLister::Watcher {
    std::function<void()> changed;
    InputFolderWatch input;
    InputFolderWatch dev;
    WakeSignal wake;
    std::thread thread;

    Watcher(std::function<void()> f, const std::string& devFolder)
        : changed(std::move(f)), input(devFolder + "/input"), dev(devFolder, "") {
        if (!wake.Ok()) return;
        thread = std::thread([this] {
            for (;;) {
                pollfd fds[3] = {
                    {wake.Fd(), POLLIN, 0}, {input.Fd(), POLLIN, 0}, {dev.Fd(), POLLIN, 0}};
                if (poll(fds, 3, -1) < 0) {
                    if (errno == EINTR) continue;
                    return;
                }
                if (fds[0].revents) return;
                bool any = false;
                if (fds[1].revents) any |= !input.Changed().empty();
                if (fds[2].revents) any |= !dev.Changed().empty();
                if (any) changed();
            }
        });
    }
    ~Watcher() {
        wake.Wake();
        if (thread.joinable()) thread.join();
    }
};

EvdevScanSourceLister::EvdevScanSourceLister(std::string dev, std::string sys)
    : dev_(std::move(dev)), sys_(std::move(sys)) {}

EvdevScanSourceLister::~EvdevScanSourceLister() = default;

std::vector<ScanSource> EvdevScanSourceLister::List(const std::optional<SerialPortWanted>& serial) {
    std::vector<ScanSource> found;
    const InputDeviceList input = ListInputDevices(dev_ + "/input");
    for (const InputDevice& d : input.devices)
        if (d.keyboard && !IsOwnKeyboard(d.id))
            found.push_back({ScanSourceKind::Keyboard, d.id.name, d.path, d.id.vendor, d.id.product,
                             ScanSourceAccess::Readable});
    for (const std::string& path : input.denied)
        if (auto s = DeniedKeyboard(sys_, path)) found.push_back(std::move(*s));
    for (const std::string& node : Nodes(dev_, "hidraw"))
        if (auto s = PosScanner(sys_, dev_, node)) found.push_back(std::move(*s));
    if (serial) {
        ScanSource s{ScanSourceKind::Serial, serial->device, serial->device, {}, {}, {}};
        if (serial->device.empty()) {
            s.path = FindUsbSerial(serial->vendor, serial->product, sys_ + "/class/tty");
            s.name = s.path;
            s.vendor = serial->vendor;
            s.product = serial->product;
        }
        s.access = s.path.empty() ? ScanSourceAccess::Missing : AccessOf(s.path);
        if (s.name.empty()) s.name = "USB serial device";
        if (!s.vendor) UsbIdsOfTty(sys_, s);
        found.push_back(std::move(s));
    }
    return found;
}

void EvdevScanSourceLister::Watch(std::function<void()> changed) {
    watcher_.reset();
    if (changed) watcher_ = std::make_unique<Watcher>(std::move(changed), dev_);
}

}  // namespace blenvar
