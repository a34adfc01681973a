#include "platform/evdev/hid_pos_reader.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>
#include <vector>

#include "platform/evdev/evdev_devices.h"

namespace blenvar {

namespace {

// True when sysfs, readable by all, shows a bar code scanner behind a node we may not open.
bool DeniedScanner(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::ifstream in("/sys/class/hidraw/" + name + "/device/report_descriptor", std::ios::binary);
    const std::vector<std::uint8_t> desc{std::istreambuf_iterator<char>(in), {}};
    return FindScannedDataReport(desc).has_value();
}

// The scanner behind a hidraw node, or nothing (closed) for any other device.
std::unique_ptr<PosReportReader> OpenScanner(const std::string& path, std::string& problem) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if ((errno == EACCES || errno == EPERM) && DeniedScanner(path))
            problem = "the HID POS scanner at " + path +
                      " cannot be read: its node needs a udev rule giving the user access "
                      "(uaccess) or the group \"input\"";
        return nullptr;
    }
    int size = 0;
    hidraw_report_descriptor desc{};
    std::optional<PosReportLayout> layout;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
        desc.size = std::uint32_t(size);
        if (ioctl(fd, HIDIOCGRDESC, &desc) == 0)
            layout = FindScannedDataReport(std::span(desc.value, desc.size));
    }
    if (!layout) {
        close(fd);
        return nullptr;
    }
    char name[256] = {};
    hidraw_devinfo info{};
    std::string text = ioctl(fd, HIDIOCGRAWNAME(sizeof name - 1), name) > 0 ? name : path;
    if (ioctl(fd, HIDIOCGRAWINFO, &info) == 0) {
        char ids[16];
        std::snprintf(ids, sizeof ids, " %04x:%04x", unsigned(std::uint16_t(info.vendor)),
                      unsigned(std::uint16_t(info.product)));
        text += ids;
    }
    return std::make_unique<PosReportReader>(fd, text, *layout);
}

}  // namespace

PosReportReader::PosReportReader(int fd, std::string name, const PosReportLayout& layout)
    : fd_(fd),
      name_(std::move(name)),
      joiner_(layout),
      // One byte more than a report: a longer one shows as such rather than as two.
      buffer_(std::max<std::size_t>(layout.bytes, 64) + 1) {}

PosReportReader::~PosReportReader() {
    close(fd_);
}

bool PosReportReader::ReadWaiting(
    const std::function<void(const PosScan&, const std::string&)>& scan) {
    for (;;) {
        const ssize_t n = read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        if (n <= 0) return false;
        if (auto whole = joiner_.Add(std::span(buffer_.data(), std::size_t(n))))
            if (scan) scan(*whole, name_);
    }
}

struct HidPosReader::Impl {
    Reports reports;
    std::string folder;
    std::unique_ptr<InputFolderWatch> watch;
    WakeSignal wake;
    std::map<std::string, std::unique_ptr<PosReportReader>> scanners;  // by node path
    std::thread thread;

    void Notice(const std::string& message) {
        if (reports.notice) reports.notice(message);
    }

    void Try(const std::string& path) {
        if (scanners.count(path)) return;
        std::string problem;
        if (auto s = OpenScanner(path, problem)) {
            Notice("HID POS scanner " + s->Name() + " found at " + path);
            scanners[path] = std::move(s);
        } else if (!problem.empty()) {
            Notice(problem);
        }
    }

    void Drop(const std::string& path) {
        auto it = scanners.find(path);
        if (it == scanners.end()) return;
        PosReportReader& s = *it->second;
        // The node keeps what arrived before the unplug readable: a whole scan still goes
        // out, and a cut one is known to be cut.
        s.ReadWaiting(reports.scan);
        if (s.Abandon())
            Notice("HID POS scanner " + s.Name() +
                   " went away in the middle of a scan; the part read was dropped");
        else
            Notice("HID POS scanner " + s.Name() + " went away");
        scanners.erase(it);
    }

    void Run() {
        for (;;) {
            std::vector<pollfd> fds{{wake.Fd(), POLLIN, 0}, {watch->Fd(), POLLIN, 0}};
            std::vector<std::string> paths;
            for (const auto& [path, s] : scanners) {
                fds.push_back({s->Fd(), POLLIN, 0});
                paths.push_back(path);
            }
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents) return;
            if (fds[1].revents)
                for (const std::string& path : watch->Changed()) {
                    if (access(path.c_str(), F_OK) != 0)
                        Drop(path);
                    else
                        Try(path);
                }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                auto it = scanners.find(paths[i - 2]);
                if (it == scanners.end()) continue;
                if (!it->second->ReadWaiting(reports.scan) ||
                    (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL)))
                    Drop(paths[i - 2]);
            }
        }
    }
};

std::unique_ptr<HidPosReader> HidPosReader::Start(Reports reports, std::string& error,
                                                  const std::string& folder) {
    auto impl = std::make_unique<Impl>();
    impl->reports = std::move(reports);
    impl->folder = folder;
    impl->watch = std::make_unique<InputFolderWatch>(folder, "hidraw");
    if (impl->watch->Fd() < 0 || !impl->wake.Ok()) {
        error = "cannot watch " + folder + " for HID POS scanners";
        return nullptr;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().starts_with("hidraw"))
            impl->Try(entry.path().string());
    Impl& i = *impl;
    impl->thread = std::thread([&i] { i.Run(); });
    std::unique_ptr<HidPosReader> reader(new HidPosReader());
    reader->impl_ = std::move(impl);
    return reader;
}

HidPosReader::~HidPosReader() {
    impl_->wake.Wake();
    impl_->thread.join();
}

}  // namespace blenvar
