// blenvar-decode --capture against scanners the kernel sees as USB devices: one gadget with
// a HID POS function and a CDC-ACM serial function, through usbhid and cdc-acm, then the
// same beside a keyboard-mode scanner with %%N telling them apart.
#include <filesystem>

#include "capture/pos_scanner.h"
#include "usb_gadget.h"

namespace {

using namespace vm;

constexpr unsigned short kVendor = 0x0c2e, kProduct = 0x0b81;
constexpr char kPosName[] = "Blenvar VM POS scanner 0c2e:0b81";
constexpr char kErr[] = "/tmp/usb.err";

// Waits for the count-th appearance of `text` in blenvar-decode's standard error.
void WaitNotice(const std::string& text, int count = 1) {
    for (const long long end = NowMicros() + 20000000;; usleep(20000)) {
        const std::string err = ReadFile(kErr);
        int seen = 0;
        for (auto at = err.find(text); at != std::string::npos; at = err.find(text, at + 1)) ++seen;
        if (seen >= count) return;
        Expect(NowMicros() < end, "no notice \"" + text + "\": " + err);
    }
}

void Send(const Fd& fd, const std::string& bytes) {
    if (write(fd.get(), bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        FailSys("write to the gadget");
}

// The scan in reports of 56 data bytes; `reports` stops early (a scan cut off).
void SendPos(const Fd& hidg, const std::string& symbology, const std::string& data,
             std::size_t reports = SIZE_MAX) {
    for (std::size_t at = 0; reports-- > 0 && (at == 0 || at < data.size()); at += 56) {
        const auto r = blenvar::pos::Report(symbology, data.substr(at, 56), at + 56 < data.size());
        Send(hidg, std::string(r.begin(), r.end()));
    }
}

// The next printed line holds every one of `wants`.
void ExpectLine(Capture& capture, const std::vector<std::string>& wants, const char* what) {
    const std::string line = capture.Line(20000);
    for (const std::string& want : wants)
        Expect(line.find(want) != std::string::npos, std::string(what) + ": printed " +
                                                         line.substr(0, 200) + " without " +
                                                         want.substr(0, 80));
}

// What the JSON line of a scan holds.
std::vector<std::string> Json(const std::string& type, const std::string& code,
                              const std::string& device = kPosName) {
    return {"\"type\":\"" + type + "\",\"code\":\"" + code + "\"", "\"device\":\"" + device + "\""};
}

void PosAndSerial(Gadget& gadget) {
    WriteFile("/tmp/usb.ini",
              "[Setup]\nPosScanners=Auto\nSerialScanner=/dev/ttyACM0,115200,8N1\nScanGap=500\n");
    Capture capture({"--capture", "--settings", "/tmp/usb.ini"}, kErr);
    WaitNotice(std::string("HID POS scanner ") + kPosName + " found");
    WaitNotice("serial scanner /dev/ttyACM0 opened");
    Fd hidg = gadget.OpenHidg();
    Fd tty = gadget.OpenTtyGS();
    // The package's udev helper names this node, by its descriptor in sysfs, as a scanner,
    // and not the keyboard function's.
    const std::string err = ReadFile(kErr), at = "found at /dev/";
    const std::size_t node = err.find(at) + at.size();
    const std::string scanner = err.substr(node, err.find('\n', node) - node);
    int nodes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/hidraw")) {
        const std::string name = entry.path().filename().string();
        const auto id =
            blenvar::testing::RunProcess({"/tests/blenvar-hid-pos-id", entry.path().string()});
        Expect(id.out == (name == scanner ? "ID_HID_POS_SCANNER=1\n" : ""),
               "blenvar-hid-pos-id printed \"" + id.out + id.err + "\" for " + name);
        ++nodes;
    }
    Expect(nodes == 2, "the keyboard function has no hidraw node of its own");

    SendPos(hidg, "]E0", "4006381333931");
    ExpectLine(capture, Json("EAN 13", "4006381333931"), "short scan");
    std::string big;
    for (int i = 0; i < 2000; ++i) big += char('A' + i % 26);
    SendPos(hidg, "]Q1", big);
    const long long sent = NowMicros();
    ExpectLine(capture, Json("QR CODE", big), "2,000 characters in 36 reports");
    std::printf("usb_scanner_test: 2,000-character HID POS scan, last report to line %.1f ms\n",
                double(NowMicros() - sent) / 1000);
    SendPos(hidg, "]Q1",
            "Zeile 1\r\nGr\xc3\xbc\xc3\x9f"
            "e, \xe6\x9d\xb1\nEnde");
    ExpectLine(capture,
               Json("QR CODE",
                    "Zeile 1\\r\\nGr\xc3\xbc\xc3\x9f"
                    "e, \xe6\x9d\xb1\\nEnde"),
               "lines and UTF-8");

    const struct {
        const char* sent;
        const char* code;
    } serial[] = {{"111\r", "111"}, {"222\n", "222"}, {"333\r\n", "333"}, {"444", "444"}};
    for (const auto& s : serial) {
        Send(tty, s.sent);
        ExpectLine(capture, Json("UNKNOWN", s.code, "/dev/ttyACM0"), s.sent);
    }

    // Unplugged after three reports of a long scan: each write waits for the one before to
    // reach the host.
    SendPos(hidg, "]Q1", big, 3);
    hidg.Reset();
    gadget.Unplug();
    WaitNotice("went away in the middle of a scan; the part read was dropped");
    WaitNotice("serial scanner /dev/ttyACM0 went away");
    gadget.Plug();
    WaitNotice(std::string("HID POS scanner ") + kPosName + " found", 2);
    WaitNotice("serial scanner /dev/ttyACM0 opened", 2);
    hidg = gadget.OpenHidg();
    tty = gadget.OpenTtyGS();
    SendPos(hidg, "]E0", "4006381333931");
    ExpectLine(capture, Json("EAN 13", "4006381333931"), "after replug");
    Send(tty, "555\r\n");
    ExpectLine(capture, Json("UNKNOWN", "555", "/dev/ttyACM0"), "serial after replug");
    Expect(capture.Stop(SIGTERM) == 0, "SIGTERM did not end the capture cleanly");
}

// A keyboard-mode scanner (the gadget's keyboard function, a USB keyboard to the kernel)
// and the HID POS and serial scanners at once, at 9,600 baud.
void ThreeScanners(Gadget& gadget) {
    WriteFile("/tmp/three.ini", Settings("Scanner", "Blenvar VM POS scanner|0c2e:0b81") +
                                    "PosScanners=Auto\nSerialScanner=/dev/ttyACM0,9600,8N1\n");
    WriteFile(kErr, "");
    Capture capture({"--capture", "--settings", "/tmp/three.ini", "--format", "%%N|%%R"}, kErr);
    WaitNotice(std::string("HID POS scanner ") + kPosName + " found");
    WaitNotice("serial scanner /dev/ttyACM0 opened");
    WaitGrabbed(FindNode("Blenvar VM POS scanner"), true);
    Fd hidg = gadget.OpenHidg();
    Fd tty = gadget.OpenTtyGS();
    gadget.Type("12");
    SendPos(hidg, "]E0", "4006381333931");
    ExpectLine(capture, {std::string(kPosName) + "|]E04006381333931"}, "HID POS beside a keyboard");
    gadget.Type("34\n");
    ExpectLine(capture, {"Blenvar VM POS scanner|1234"}, "keyboard beside a HID POS");
    Send(tty, "9600\r");
    ExpectLine(capture, {"/dev/ttyACM0|9600"}, "serial at 9,600 baud");
    Expect(capture.Stop(SIGTERM) == 0, "SIGTERM did not end the capture cleanly");
}

void Run() {
    Gadget gadget("VM POS scanner", kVendor, kProduct, blenvar::pos::kDescriptor, 64);
    PosAndSerial(gadget);
    ThreeScanners(gadget);
}

}  // namespace

int main() {
    try {
        Run();
    } catch (const std::exception& e) {
        std::printf("usb_scanner_test: %s\n", e.what());
        return 1;
    }
    std::puts("usb_scanner_test: ok");
    return 0;
}
