#pragma once
// The input devices present, and the changes to them. Found by listing /dev/input and
// reading each device's own capability bits, never through udev, so the same code works
// where no udev daemon runs. Hot-plugging is followed with inotify on the folder.
#include <filesystem>
#include <string>
#include <vector>

#include "capture/input_devices.h"

namespace blenvar {

struct InputDeviceList {
    std::vector<InputDevice> devices;  // by path, event0 first
    std::vector<std::string> denied;   // event nodes we may not open (EACCES/EPERM)
};

InputDeviceList ListInputDevices(const std::string& folder = "/dev/input");

// Why capture needs the "input" group and how to join it; shown once when devices or
// /dev/uinput cannot be opened for lack of rights.
std::string InputAccessMessage();

// Reports nodes created, changed (permissions set late by udev) or removed: event nodes,
// or those whose names begin with `prefix`.
class InputFolderWatch {
  public:
    explicit InputFolderWatch(const std::string& folder = "/dev/input",
                              std::string prefix = "event");
    ~InputFolderWatch();
    InputFolderWatch(const InputFolderWatch&) = delete;
    InputFolderWatch& operator=(const InputFolderWatch&) = delete;

    // -1 when the folder cannot be watched; poll it for reading.
    int Fd() const { return fd_; }
    // Paths of event nodes touched since the last call; does not block.
    std::vector<std::string> Changed();

  private:
    std::string folder_;
    std::string prefix_;
    int fd_ = -1;
};

// Ends a thread's poll(): Fd() turns readable, and stays so, once Wake() was called.
class WakeSignal {
  public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;
    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Wake();

  private:
    int fd_;
};

// The first line of a sysfs attribute ("0c2e" of idVendor); empty when unreadable.
std::string SysfsLine(const std::filesystem::path& file);

}  // namespace blenvar
