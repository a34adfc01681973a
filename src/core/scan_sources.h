#pragma once
// The devices scans can come from, as the "Setup" tab lists them: keyboards (and
// keyboard-mode scanners), HID POS scanners and the configured serial port. Found by the
// platform; what each row says is decided above it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace blenvar {

enum class ScanSourceKind { Keyboard, HidPos, Serial };
enum class ScanSourceAccess { Readable, Denied, Missing };

struct ScanSource {
    ScanSourceKind kind = ScanSourceKind::Keyboard;
    std::string name;                     // as the kernel names the device; a serial port's path
    std::string path;                     // the device node
    std::optional<std::uint16_t> vendor;  // both set or both empty
    std::optional<std::uint16_t> product;
    ScanSourceAccess access = ScanSourceAccess::Readable;
    friend bool operator==(const ScanSource&, const ScanSource&) = default;
};

// The serial port SerialScanner names: a path, or the USB vendor and product of one.
struct SerialPortWanted {
    std::string device;  // empty when vendor and product pick the port
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

class ScanSourceLister {
  public:
    virtual ~ScanSourceLister() = default;
    // Reads only device nodes' identities and rights; never blocks on a device.
    virtual std::vector<ScanSource> List(const std::optional<SerialPortWanted>& serial) = 0;
    // `changed` runs ON THE LISTER'S OWN THREAD whenever a device node comes, goes or has
    // its rights changed; a later call replaces it, an empty one stops watching.
    virtual void Watch(std::function<void()> changed) = 0;
};

}  // namespace blenvar
