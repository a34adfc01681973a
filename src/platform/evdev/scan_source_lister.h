#pragma once
// The scan sources of this machine: keyboards from /dev/input (ListInputDevices), HID POS
// scanners among /dev/hidraw* by the report descriptors sysfs shows to every user, and the
// configured serial port. Nodes we may not open are still named, from sysfs.
#include <memory>
#include <string>

#include "core/scan_sources.h"

namespace blenvar {

class EvdevScanSourceLister : public ScanSourceLister {
  public:
    explicit EvdevScanSourceLister(std::string dev = "/dev", std::string sys = "/sys");
    ~EvdevScanSourceLister() override;

    std::vector<ScanSource> List(const std::optional<SerialPortWanted>& serial) override;
    void Watch(std::function<void()> changed) override;

  private:
    struct Watcher;
    std::string dev_;
    std::string sys_;
    std::unique_ptr<Watcher> watcher_;
};

}  // namespace blenvar
