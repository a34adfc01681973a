// blenvar-decode --capture against a HID POS scanner made with uhid: a QR code sent in two
// reports arrives as one scan, typed by the scanner's own symbology identifier.
#include "capture/pos_scanner.h"

#include <linux/uhid.h>

#include "vm_input.h"

namespace {

using namespace vm;

void Send(int fd, const uhid_event& ev) {
    if (write(fd, &ev, sizeof ev) != ssize_t(sizeof ev)) FailSys("uhid write");
}

void Run() {
    Fd uhid(open("/dev/uhid", O_RDWR | O_CLOEXEC));
    if (uhid.get() < 0) FailSys("/dev/uhid");
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name,
                  "VM POS scanner");
    ev.u.create2.rd_size = std::uint16_t(blenvar::pos::kDescriptor.size());
    std::memcpy(ev.u.create2.rd_data, blenvar::pos::kDescriptor.data(), ev.u.create2.rd_size);
    ev.u.create2.bus = BUS_USB;
    ev.u.create2.vendor = 0x0c2e;
    ev.u.create2.product = 0x0b81;
    Send(uhid.get(), ev);

    WriteFile("/tmp/pos.ini", "[Setup]\nPosScanners=Auto\nEncoding=Normal\n");
    Capture capture({"--capture", "--settings", "/tmp/pos.ini"}, "/tmp/pos.err");
    const long long end = NowMicros() + 10000000;
    while (ReadFile("/tmp/pos.err").find("VM POS scanner") == std::string::npos) {
        Expect(NowMicros() < end, "the scanner was never found: " + ReadFile("/tmp/pos.err"));
        usleep(20000);
    }
    const std::string data = "WIFI:S:blenvar;T:WPA;P:" + std::string(50, '7') + ";;";
    const auto report = [&](std::string_view part, bool more) {
        uhid_event in{};
        in.type = UHID_INPUT2;
        const auto bytes = blenvar::pos::Report("]Q1", part, more);
        in.u.input2.size = std::uint16_t(bytes.size());
        std::memcpy(in.u.input2.data, bytes.data(), bytes.size());
        Send(uhid.get(), in);
    };
    report(std::string_view(data).substr(0, 56), true);
    report(std::string_view(data).substr(56), false);
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
