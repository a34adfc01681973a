#include "platform/evdev/evdev_devices.h"

#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/evdev/evdev_device.h"

namespace blenvar {
namespace {

bool IsEventNode(std::string_view name) {
    return name.starts_with("event");
}

// event2 before event10.
bool ByNumber(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

InputDeviceList ListInputDevices(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (IsEventNode(name)) paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end(), ByNumber);
    InputDeviceList list;
    for (const std::string& path : paths) {
        int error = 0;
        if (auto device = ProbeInputDevice(path, &error)) {
            list.devices.push_back(std::move(*device));
        } else if (error == EACCES || error == EPERM) {
            list.denied.push_back(path);
        }
    }
    return list;
}

std::string InputAccessMessage() {
    return "Blenvar cannot read the keyboards or create its virtual keyboard: that needs "
           "membership of the group \"input\". Members can read every keystroke and type into "
           "any program, so Blenvar does not add you itself. To allow it, run\n"
           "    sudo usermod -aG input $USER\n"
           "then log out and in again.";
}

InputFolderWatch::InputFolderWatch(const std::string& folder, std::string prefix)
    : folder_(folder), prefix_(std::move(prefix)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    if (inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_TO) <
        0) {
        close(fd_);
        fd_ = -1;
    }
}

InputFolderWatch::~InputFolderWatch() {
    if (fd_ >= 0) close(fd_);
}

std::vector<std::string> InputFolderWatch::Changed() {
    std::vector<std::string> paths;
    if (fd_ < 0) return paths;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + ev->len);
            if (ev->len == 0 || !std::string_view(ev->name).starts_with(prefix_)) continue;
            std::string path = folder_ + "/" + ev->name;
            if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
                paths.push_back(std::move(path));
            }
        }
    }
    return paths;
}

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) close(fd_);
}

void WakeSignal::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

std::string SysfsLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace blenvar
