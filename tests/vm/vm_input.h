#pragma once
// Helpers for the VM programs: synthetic input devices made with uinput, readers of event
// nodes found by name (the VM has no udev), and blenvar-decode run as a child.
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "support/process.h"

namespace vm {

constexpr char kScannerName[] = "VM scanner";
constexpr unsigned short kScannerProduct = 0x0b01;
constexpr char kOwnKeyboard[] = "Blenvar virtual keyboard";

[[noreturn]] inline void Fail(const std::string& what) {
    throw std::runtime_error(what);
}
[[noreturn]] inline void FailSys(const std::string& what) {
    Fail(what + ": " + std::strerror(errno));
}
inline void Expect(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

inline long long NowMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        Reset();
        fd_ = std::exchange(o.fd_, -1);
        return *this;
    }
    int get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

// The event nodes whose device has this name, as they are now.
inline std::vector<std::string> FindNodes(const std::string& name) {
    std::vector<std::string> found;
    if (DIR* dir = opendir("/dev/input")) {
        while (dirent* entry = readdir(dir)) {
            if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
            const std::string path = std::string("/dev/input/") + entry->d_name;
            Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            char got[256] = {};
            if (fd.get() >= 0 && ioctl(fd.get(), EVIOCGNAME(sizeof got - 1), got) >= 0 &&
                name == got)
                found.push_back(path);
        }
        closedir(dir);
    }
    return found;
}

// The event node whose device has this name; waits for devtmpfs to make it.
inline std::string FindNode(const std::string& name, int waitMs = 3000) {
    for (int waited = 0; waited <= waitMs; waited += 10) {
        if (const auto nodes = FindNodes(name); !nodes.empty()) return nodes.back();
        usleep(10000);
    }
    Fail("no event node for \"" + name + "\"");
}

inline Fd OpenReader(const std::string& path) {
    Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) FailSys("open " + path);
    return fd;
}

// A synthetic keyboard-like device (a scanner or the user's keyboard).
class Device {
  public:
    Device(const std::string& name, unsigned short product) : name_(name) {
        fd_ = Fd(open("/dev/uinput", O_WRONLY | O_CLOEXEC));
        if (fd_.get() < 0) FailSys("open /dev/uinput");
        ioctl(fd_.get(), UI_SET_EVBIT, EV_KEY);
        for (int code = 1; code < 248; ++code) ioctl(fd_.get(), UI_SET_KEYBIT, code);
        uinput_setup setup{};
        setup.id = {BUS_USB, 0x1d50, product, 1};
        std::snprintf(setup.name, sizeof setup.name, "%s", name.c_str());
        if (ioctl(fd_.get(), UI_DEV_SETUP, &setup) < 0 || ioctl(fd_.get(), UI_DEV_CREATE) < 0)
            FailSys("create " + name);
        node_ = FindNode(name);
    }
    ~Device() { Destroy(); }
    void Destroy() {
        if (fd_.get() >= 0) ioctl(fd_.get(), UI_DEV_DESTROY);
        fd_.Reset();
    }
    const std::string& Node() const { return node_; }

    void Key(int code, int value) {
        input_event ev[2]{};
        ev[0].type = EV_KEY;
        ev[0].code = static_cast<unsigned short>(code);
        ev[0].value = value;
        ev[1].type = EV_SYN;
        if (write(fd_.get(), ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
            FailSys("write to " + name_);
        if (paceMicros > 0) usleep(paceMicros);
    }
    void Tap(int code) {
        Key(code, 1);
        Key(code, 0);
    }
    // Digits and lower-case letters, then nothing else: what the tests' scans are made of.
    void Type(const std::string& text) {
        static const int digits[] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                     KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
        static const int letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                      KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                      KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
        for (char c : text) Tap(c >= 'a' ? letters[c - 'a'] : digits[c - '0']);
    }
    // A scan as trained in Settings: F12, the text, Enter.
    void Scan(const std::string& text) {
        Tap(KEY_F12);
        Type(text);
        Tap(KEY_ENTER);
    }

    // Pause after each key report (a full-speed USB device's shortest interval is 1 ms).
    unsigned paceMicros = 0;

  private:
    std::string name_;
    std::string node_;
    Fd fd_;
};

struct Key {
    int code;
    int value;
    bool operator==(const Key&) const = default;
};

// Key events (no repeats) read until `want` arrived or `idleMs` passed without any; their
// kernel times in `micros` when given.
inline std::vector<Key> ReadKeys(int fd, size_t want, int idleMs,
                                 std::vector<long long>* micros = nullptr) {
    std::vector<Key> keys;
    while (keys.size() < want) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, idleMs) <= 0) break;
        input_event evs[64];
        const ssize_t n = read(fd, evs, sizeof evs);
        if (n < 0) continue;
        for (ssize_t i = 0; i < n / static_cast<ssize_t>(sizeof(input_event)); ++i) {
            if (evs[i].type != EV_KEY || evs[i].value == 2) continue;
            keys.push_back({evs[i].code, evs[i].value});
            if (micros)
                micros->push_back(evs[i].input_event_sec * 1000000LL + evs[i].input_event_usec);
        }
    }
    return keys;
}

inline std::vector<Key> Taps(const std::vector<int>& codes) {
    std::vector<Key> keys;
    for (int c : codes) keys.insert(keys.end(), {{c, 1}, {c, 0}});
    return keys;
}

// True once some program holds an exclusive grab of the node.
inline bool Grabbed(const std::string& node) {
    Fd fd = OpenReader(node);
    if (ioctl(fd.get(), EVIOCGRAB, 1) == 0) {
        ioctl(fd.get(), EVIOCGRAB, 0);
        return false;
    }
    return errno == EBUSY;
}

inline void WaitGrabbed(const std::string& node, bool grabbed, int waitMs = 5000) {
    for (int waited = 0; waited <= waitMs; waited += 10) {
        if (Grabbed(node) == grabbed) return;
        usleep(10000);
    }
    Fail(node + (grabbed ? " was never grabbed" : " stayed grabbed"));
}

// blenvar-decode with its standard output read line by line; standard error goes to
// `errFile` when given.
class Capture {
  public:
    explicit Capture(const std::string& settings)
        : Capture(std::vector<std::string>{"--capture", "--settings", settings}) {}
    explicit Capture(std::vector<std::string> args, const std::string& errFile = "") {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) FailSys("pipe");
        args.insert(args.begin(), "/tests/blenvar-decode");
        process_.emplace(args, "", "", errFile, std::vector<std::pair<int, int>>{{1, out[1]}});
        close(out[1]);
        out_ = Fd(out[0]);
        if (!process_->Started()) Fail("cannot start blenvar-decode");
    }
    // The next line, or "" after `waitMs` without one.
    std::string Line(int waitMs) {
        const long long end = NowMicros() + waitMs * 1000LL;
        for (;;) {
            if (auto nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            const long long left = (end - NowMicros()) / 1000;
            pollfd p{out_.get(), POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return {};
            char chunk[65536];
            const ssize_t n = read(out_.get(), chunk, sizeof chunk);
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    // The exit status once it ends by itself within `waitMs`, else -1 (then it is killed).
    int Wait(int waitMs) {
        const int status = process_->Wait(waitMs);
        if (status == -1) process_->Stop(SIGKILL);
        return status;
    }
    // The exit status after the signal.
    int Stop(int sig) { return process_->Stop(sig, 60000); }

  private:
    Fd out_;
    std::string buffer_;
    std::optional<blenvar::testing::Spawned> process_;  // ended before its output closes
};

using blenvar::testing::ReadFile;
using blenvar::testing::WriteFile;

// Trained: F12 press opens a scan, Enter press closes it. On a loaded host the emulated
// machine may stall a writer for hundreds of milliseconds, so the scanner's silence gap is
// far wider than by default.
inline std::string Settings(const std::string& captureDevices, const std::string& scanner) {
    return "[Setup]\nStart_Action=1\nStart_State=0\nStart_VCode=123\nStart_SCode=88\n"
           "Stop_Action=1\nStop_State=0\nStop_VCode=13\nStop_SCode=28\n"
           "CaptureDevices=" +
           captureDevices + "\nScannerDevice=" + scanner + "\nScanGap=3000\n";
}

inline std::string RawOf(const std::string& line) {
    const auto at = line.find("\"raw\":\"");
    if (at == std::string::npos) return "(no scan: \"" + line + "\")";
    return line.substr(at + 7, line.find('"', at + 7) - at - 7);
}

}  // namespace vm
