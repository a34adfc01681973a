#pragma once
// A serial scanner (USB CDC-ACM, USB serial adapter or RS-232 port) read in raw mode. A
// thread waits on the port, the /dev watch and a wake pipe, cuts the bytes into scans
// (SerialFraming) and reports each ON ITS OWN THREAD. A port that goes away is opened
// again when a tty node appears; nothing is polled meanwhile.
#include <functional>
#include <memory>
#include <string>

#include "settings/settings_layout.h"

namespace blenvar {

// The tty node of the USB device with this vendor and product, found through `sysTty`
// (/sys/class/tty); empty when none is plugged in.
std::string FindUsbSerial(std::uint16_t vendor, std::uint16_t product,
                          const std::string& sysTty = "/sys/class/tty");

class SerialReader {
  public:
    struct Reports {
        std::function<void(const std::string& scan, const std::string& device)> scan;
        // The port opened, went away, or cannot be opened (and why).
        std::function<void(const std::string& message)> notice;
    };
    // Null with `error` set when /dev cannot be watched.
    static std::unique_ptr<SerialReader> Start(const SerialScannerSetup& setup, int gapMs,
                                               Reports reports, std::string& error);
    ~SerialReader();
    SerialReader(const SerialReader&) = delete;
    SerialReader& operator=(const SerialReader&) = delete;

  private:
    SerialReader() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace blenvar
