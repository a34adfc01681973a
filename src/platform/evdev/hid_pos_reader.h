#pragma once
// HID POS scanners read through /dev/hidraw*: a thread waits on the scanners' nodes, the
// folder's inotify watch and a wake pipe, joins each scanner's reports and reports every
// whole scan ON ITS OWN THREAD. Only nodes whose report descriptor is a bar code
// scanner's are kept open; nothing is grabbed, so a point-of-sale program may read the
// same scanner.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/hid_pos.h"

namespace blenvar {

// One scanner's node, owned: reads the reports waiting on it (or on anything that keeps
// report boundaries, such as a packet socket) and joins them into scans.
class PosReportReader {
  public:
    PosReportReader(int fd, std::string name, const PosReportLayout& layout);
    ~PosReportReader();
    PosReportReader(const PosReportReader&) = delete;
    PosReportReader& operator=(const PosReportReader&) = delete;
    // Reads until nothing waits; false when the node failed or ended.
    bool ReadWaiting(const std::function<void(const PosScan&, const std::string&)>& scan);
    // The node went away: true when part of a scan was read, which is dropped.
    bool Abandon() { return joiner_.Abandon(); }
    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }

  private:
    int fd_;
    std::string name_;
    PosScanJoiner joiner_;
    std::vector<std::uint8_t> buffer_;
};

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
