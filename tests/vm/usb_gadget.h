#pragma once
// A USB device made in configfs and plugged into dummy_hcd, so the kernel's own host
// drivers (usbhid, cdc-acm) see it: its HID functions appear as /dev/hidrawN, its ACM
// function as /dev/ttyACMN. The test sends as the device through /dev/hidgN and /dev/ttyGSN.
#include <linux/hidraw.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <functional>

#include "vm_input.h"

namespace vm {

// Waits for `ready` to give a non-empty answer; a device takes its time to enumerate.
inline std::string WaitFor(const std::function<std::string()>& ready, const std::string& what,
                           int waitMs = 10000) {
    for (const long long end = NowMicros() + waitMs * 1000LL;; usleep(10000)) {
        if (std::string got = ready(); !got.empty()) return got;
        if (NowMicros() > end) Fail(what + " never appeared");
    }
}

// The /dev/hidrawN of the device with this vendor and product, or "".
inline std::string FindHidraw(unsigned short vendor, unsigned short product) {
    for (int n = 0; n < 16; ++n) {
        const std::string path = "/dev/hidraw" + std::to_string(n);
        Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        hidraw_devinfo info{};
        if (fd.get() >= 0 && ioctl(fd.get(), HIDIOCGRAWINFO, &info) == 0 &&
            static_cast<unsigned short>(info.vendor) == vendor &&
            static_cast<unsigned short>(info.product) == product)
            return path;
    }
    return {};
}

class Gadget {
  public:
    struct Hid {
        std::vector<std::uint8_t> descriptor;
        int reportLength;
        int subclass = 0;  // 1 and protocol 1: a boot keyboard
        int protocol = 0;
    };
    // The host names its HID devices "<manufacturer> <product>".
    Gadget(const std::string& name, unsigned short vendor, unsigned short product,
           const std::vector<Hid>& hids, bool acm)
        : dir_("/sys/kernel/config/usb_gadget/" + name), vendor_(vendor), product_(product) {
        Mkdir("");
        Put("idVendor", Hex(vendor));
        Put("idProduct", Hex(product));
        Put("bcdUSB", "0x0200");
        Mkdir("strings/0x409");
        Put("strings/0x409/manufacturer", "Blenvar");
        Put("strings/0x409/product", name);
        Put("strings/0x409/serialnumber", "1");
        Mkdir("configs/c.1");
        for (std::size_t i = 0; i < hids.size(); ++i) {
            const std::string f = "functions/hid.usb" + std::to_string(i);
            Mkdir(f);
            Put(f + "/protocol", std::to_string(hids[i].protocol));
            Put(f + "/subclass", std::to_string(hids[i].subclass));
            Put(f + "/report_length", std::to_string(hids[i].reportLength));
            Put(f + "/report_desc",
                std::string(hids[i].descriptor.begin(), hids[i].descriptor.end()));
            Link(f);
            // "major:minor"; the minor is N of /dev/hidgN.
            const std::string dev = ReadFile(dir_ + "/" + f + "/dev");
            hidg_.push_back("/dev/hidg" +
                            dev.substr(dev.find(':') + 1, dev.find('\n') - dev.find(':') - 1));
        }
        if (acm) {
            Mkdir("functions/acm.usb0");
            Link("functions/acm.usb0");
            std::string port = ReadFile(dir_ + "/functions/acm.usb0/port_num");
            ttyGS_ = "/dev/ttyGS" + port.substr(0, port.find('\n'));
        }
        Plug();
    }
    ~Gadget() {
        Unplug();
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            (it->second ? unlink : rmdir)(it->first.c_str());
    }

    // Bound to dummy_hcd's device controller; the host enumerates it.
    void Plug() {
        Put("UDC", "dummy_udc.0");
        plugged_ = true;
    }
    void Unplug() {
        if (plugged_) Put("UDC", "\n");
        plugged_ = false;
    }
    // The host's node for the HID functions (found by vendor and product).
    std::string Hidraw() const {
        return WaitFor([this] { return FindHidraw(vendor_, product_); }, "the gadget's hidraw");
    }
    // The device side of HID function i: written reports reach the host once it polls.
    Fd OpenHidg(std::size_t i) const {
        WaitFor([&] { return access(hidg_.at(i).c_str(), W_OK) == 0 ? hidg_[i] : ""; }, hidg_[i]);
        Fd fd(open(hidg_[i].c_str(), O_WRONLY | O_CLOEXEC));
        if (fd.get() < 0) FailSys("open " + hidg_[i]);
        return fd;
    }
    // The device side of the ACM function, in raw mode.
    Fd OpenTtyGS() const {
        WaitFor([&] { return access(ttyGS_.c_str(), W_OK) == 0 ? ttyGS_ : ""; }, ttyGS_);
        Fd fd(open(ttyGS_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (fd.get() < 0) FailSys("open " + ttyGS_);
        termios t{};
        tcgetattr(fd.get(), &t);
        cfmakeraw(&t);
        tcsetattr(fd.get(), TCSANOW, &t);
        return fd;
    }

  private:
    static std::string Hex(unsigned short v) {
        char text[8];
        std::snprintf(text, sizeof text, "0x%04x", v);
        return text;
    }
    void Mkdir(const std::string& path) {
        const std::string full = dir_ + (path.empty() ? "" : "/" + path);
        if (mkdir(full.c_str(), 0755) != 0) FailSys("mkdir " + full);
        made_.emplace_back(full, false);
    }
    void Put(const std::string& file, const std::string& value) {
        const std::string path = dir_ + "/" + file;
        Fd fd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
        if (fd.get() < 0 || write(fd.get(), value.data(), value.size()) != ssize_t(value.size()))
            FailSys("write " + path);
    }
    void Link(const std::string& function) {
        const std::string link = dir_ + "/configs/c.1/" + function.substr(function.find('/') + 1);
        if (symlink((dir_ + "/" + function).c_str(), link.c_str()) != 0) FailSys("link " + link);
        made_.emplace_back(link, true);
    }

    std::string dir_;
    unsigned short vendor_;
    unsigned short product_;
    std::vector<std::string> hidg_;
    std::string ttyGS_;
    bool plugged_ = false;
    std::vector<std::pair<std::string, bool>> made_;  // path, is a link; removed in reverse
};

}  // namespace vm
