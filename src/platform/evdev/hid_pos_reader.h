#pragma once
// HID POS scanners read through /dev/hidraw*: a thread waits on the scanners' nodes, the
// folder's inotify watch and a wake pipe, joins each scanner's reports and reports every
// whole scan ON ITS OWN THREAD. Only nodes whose report descriptor is a bar code
// scanner's are kept open; nothing is grabbed, so a point-of-sale program may read the
// same scanner.
#include <functional>
#include <memory>
#include <string>

#include "capture/hid_pos.h"

namespace blenvar {

class HidPosReader {
  public:
    struct Reports {
        // `device`: the scanner's name as the kernel gives it.
        std::function<void(const PosScan& scan, const std::string& device)> scan;
        // Scanners found or gone, and a scan cut off by an unplug.
        std::function<void(const std::string& message)> notice;
    };
    // Null with `error` set when the folder cannot be watched.
    static std::unique_ptr<HidPosReader> Start(Reports reports, std::string& error,
                                               const std::string& folder = "/dev");
    ~HidPosReader();
    HidPosReader(const HidPosReader&) = delete;
    HidPosReader& operator=(const HidPosReader&) = delete;

  private:
    HidPosReader() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace blenvar
