// blenvar-decode --capture against a HID POS scanner made with uhid: a QR code sent in two
// reports arrives as one scan, typed by the scanner's own symbology identifier.
#include "capture/pos_scanner.h"

#include <linux/uhid.h>

#include "vm_input.h"

namespace {

using namespace vm;

void Run() {
    Fd uhid(open("/dev/uhid", O_RDWR | O_CLOEXEC));
    uhid_event ev{};
    const auto send = [&] {
        if (write(uhid.get(), &ev, sizeof ev) != ssize_t(sizeof ev)) FailSys("/dev/uhid");
    };
    ev.type = UHID_CREATE2;
    auto& dev = ev.u.create2;
    std::strcpy(reinterpret_cast<char*>(dev.name), "VM POS scanner");
    dev.rd_size = std::uint16_t(blenvar::pos::kDescriptor.size());
    std::memcpy(dev.rd_data, blenvar::pos::kDescriptor.data(), dev.rd_size);
    dev.bus = BUS_USB;
    dev.vendor = 0x0c2e;
    dev.product = 0x0b81;
    send();

    WriteFile("/tmp/pos.ini", "[Setup]\nPosScanners=Auto\nEncoding=Normal\n");
    Capture capture({"--capture", "--settings", "/tmp/pos.ini"}, "/tmp/pos.err");
    // Its report reaches no reader until the scanner is found.
    for (const long long end = NowMicros() + 10000000;
         ReadFile("/tmp/pos.err").find("VM POS scanner") == std::string::npos; usleep(20000))
        Expect(NowMicros() < end, "the scanner was never found: " + ReadFile("/tmp/pos.err"));
    const std::string data = "WIFI:S:blenvar;T:WPA;P:" + std::string(50, '7') + ";;";
    for (const bool more : {true, false}) {
        const auto bytes =
            blenvar::pos::Report("]Q1", more ? data.substr(0, 56) : data.substr(56), more);
        ev = {};
        ev.type = UHID_INPUT2;
        ev.u.input2.size = std::uint16_t(bytes.size());
        std::memcpy(ev.u.input2.data, bytes.data(), bytes.size());
        send();
    }
    const std::string line = capture.Line(10000);
    Expect(line.find("\"type\":\"QR CODE\"") != std::string::npos &&
               line.find("\"code\":\"" + data + "\"") != std::string::npos,
           "printed " + line);
    Expect(capture.Stop(SIGTERM) == 0, "SIGTERM did not end the capture cleanly");
}

}  // namespace

int main() {
    try {
        Run();
    } catch (const std::exception& e) {
        std::printf("pos_scanner_test: %s\n", e.what());
        return 1;
    }
    std::puts("pos_scanner_test: ok");
    return 0;
}
