#pragma once
// A USB device made in configfs and plugged into dummy_hcd, so the kernel's own host
// drivers see it: its HID function through usbhid as /dev/hidrawN, a boot keyboard
// function as an input device (and a hidraw node of its own), its ACM function through
// cdc-acm as /dev/ttyACMN. The test is the device: it writes to /dev/hidgN and /dev/ttyGSN.
#include <sys/stat.h>
#include <termios.h>

#include "vm_input.h"

namespace vm {

// A boot keyboard's report descriptor: a modifier byte, a reserved byte, six key codes.
inline const std::vector<std::uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xa1, 0x01, 0x05, 0x07, 0x19, 0xe0, 0x29, 0xe7, 0x15, 0x00, 0x25,
    0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x03, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xc0};

class Gadget {
  public:
    // The host names the HID device "Blenvar <product>".
    Gadget(const std::string& product, unsigned short vendorId, unsigned short productId,
           const std::vector<std::uint8_t>& hidDescriptor, int reportLength)
        : dir_("/sys/kernel/config/usb_gadget/g1") {
        for (const char* d : {"", "/strings/0x409", "/configs/c.1", "/functions/hid.usb0",
                              "/functions/hid.usb1", "/functions/acm.usb0"})
            if (mkdir((dir_ + d).c_str(), 0755) != 0) FailSys("mkdir " + dir_ + d);
        char ids[16];
        std::snprintf(ids, sizeof ids, "0x%04x", vendorId);
        Put("/idVendor", ids);
        std::snprintf(ids, sizeof ids, "0x%04x", productId);
        Put("/idProduct", ids);
        Put("/strings/0x409/manufacturer", "Blenvar");
        Put("/strings/0x409/product", product);
        Put("/functions/hid.usb0/report_length", std::to_string(reportLength));
        Put("/functions/hid.usb0/report_desc", {hidDescriptor.begin(), hidDescriptor.end()});
        Put("/functions/hid.usb1/protocol", "1");
        Put("/functions/hid.usb1/subclass", "1");
        Put("/functions/hid.usb1/report_length", "8");
        Put("/functions/hid.usb1/report_desc", {kBootKeyboard.begin(), kBootKeyboard.end()});
        for (const char* f : {"hid.usb0", "hid.usb1", "acm.usb0"})
            if (symlink((dir_ + "/functions/" + f).c_str(), (dir_ + "/configs/c.1/" + f).c_str()))
                FailSys(std::string("link ") + f);
        hidg_ = HidgOf("hid.usb0");
        keyboard_ = HidgOf("hid.usb1");
        ttyGS_ = "/dev/ttyGS" +
                 std::to_string(std::stoi(ReadFile(dir_ + "/functions/acm.usb0/port_num")));
        Plug();
    }
    ~Gadget() {
        Unplug();
        for (const char* f :
             {"/configs/c.1/hid.usb0", "/configs/c.1/hid.usb1", "/configs/c.1/acm.usb0"})
            unlink((dir_ + f).c_str());
        for (const char* d : {"/functions/acm.usb0", "/functions/hid.usb1", "/functions/hid.usb0",
                              "/configs/c.1", "/strings/0x409", ""})
            rmdir((dir_ + d).c_str());
    }

    // Bound to dummy_hcd's device side: the host enumerates it.
    void Plug() { Put("/UDC", "dummy_udc.0"); }
    void Unplug() { Put("/UDC", "\n"); }

    // Each write is one report; it returns once the report before it reached the host.
    Fd OpenHidg() const { return Open(hidg_); }
    // Types digits and Enter ('\n') on the keyboard function, a press and a release each.
    void Type(const std::string& text) const {
        Fd fd = Open(keyboard_);
        for (const char c : text) {
            std::uint8_t report[8] = {};
            report[2] = c == '\n' ? 0x28 : c == '0' ? 0x27 : std::uint8_t(0x1e + (c - '1'));
            for (int i = 0; i < 2; ++i, report[2] = 0)
                if (write(fd.get(), report, sizeof report) != ssize_t(sizeof report))
                    FailSys("write " + keyboard_);
        }
    }
    // Raw, so the bytes go as written.
    Fd OpenTtyGS() const {
        Fd fd = Open(ttyGS_);
        termios t{};
        tcgetattr(fd.get(), &t);
        cfmakeraw(&t);
        tcsetattr(fd.get(), TCSANOW, &t);
        return fd;
    }

  private:
    // "major:minor" and a number: N of /dev/hidgN.
    std::string HidgOf(const std::string& function) const {
        const std::string dev = ReadFile(dir_ + "/functions/" + function + "/dev");
        return "/dev/hidg" + std::to_string(std::stoi(dev.substr(dev.find(':') + 1)));
    }
    void Put(const std::string& file, const std::string& value) const {
        Fd fd(open((dir_ + file).c_str(), O_WRONLY | O_CLOEXEC));
        if (fd.get() < 0 || write(fd.get(), value.data(), value.size()) != ssize_t(value.size()))
            FailSys("write " + dir_ + file);
    }
    // The function's node comes and goes with the binding.
    static Fd Open(const std::string& node) {
        for (const long long end = NowMicros() + 10000000; access(node.c_str(), W_OK) != 0;
             usleep(10000))
            Expect(NowMicros() < end, node + " never appeared");
        Fd fd(open(node.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (fd.get() < 0) FailSys("open " + node);
        return fd;
    }

    std::string dir_;
    std::string hidg_;
    std::string keyboard_;
    std::string ttyGS_;
};

}  // namespace vm
