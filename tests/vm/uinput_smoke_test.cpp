// Proves the VM test bed: a uinput keyboard shows up as an event device that can be found
// by its key bits and name, grabbed so that no other reader sees its keys, and released.
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr char kName[] = "Blenvar VM smoke keyboard";

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

[[noreturn]] void FailSys(const std::string& what) {
    Fail(what + ": " + std::strerror(errno));
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

struct Key {
    int code;
    int value;
    bool operator==(const Key&) const = default;
};

long long Micros(const timeval& tv) {
    return tv.tv_sec * 1000000LL + tv.tv_usec;
}

long long NowMicros() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return Micros(tv);
}

int CreateKeyboard() {
    int fd = open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) FailSys("open /dev/uinput");
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0) FailSys("UI_SET_EVBIT");
    for (int code = KEY_ESC; code <= KEY_SPACE; ++code)
        if (ioctl(fd, UI_SET_KEYBIT, code) < 0) FailSys("UI_SET_KEYBIT");
    uinput_setup setup{};
    setup.id = {BUS_USB, 0x1d50, 0x6189, 1};
    std::snprintf(setup.name, sizeof setup.name, "%s", kName);
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0) FailSys("UI_DEV_SETUP");
    if (ioctl(fd, UI_DEV_CREATE) < 0) FailSys("UI_DEV_CREATE");
    return fd;
}

bool HasBit(const unsigned char* bits, int bit) {
    return bits[bit / 8] & (1 << (bit % 8));
}

// The VM has no udev: look at every event device for our name and a keyboard's keys.
std::string FindDevice() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (DIR* dir = opendir("/dev/input")) {
            std::string found;
            while (dirent* entry = readdir(dir)) {
                if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
                std::string path = std::string("/dev/input/") + entry->d_name;
                Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
                if (fd.get() < 0) continue;
                char name[256] = {};
                unsigned char keys[KEY_MAX / 8 + 1] = {};
                if (ioctl(fd.get(), EVIOCGNAME(sizeof name - 1), name) < 0) continue;
                if (ioctl(fd.get(), EVIOCGBIT(EV_KEY, sizeof keys), keys) < 0) continue;
                if (std::string(name) == kName && HasBit(keys, KEY_A) && HasBit(keys, KEY_ENTER))
                    found = path;
            }
            closedir(dir);
            if (!found.empty()) return found;
        }
        usleep(20000);
    }
    Fail(std::string("no /dev/input/event* device named \"") + kName + "\" with keyboard keys");
}

void Emit(int fd, int type, int code, int value) {
    input_event ev{};
    // The kernel stamps events itself; a bogus time here must not come back.
    ev.input_event_sec = 1;
    ev.type = static_cast<unsigned short>(type);
    ev.code = static_cast<unsigned short>(code);
    ev.value = value;
    if (write(fd, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev)) FailSys("write to uinput");
}

void Type(int uinput, const std::vector<Key>& keys) {
    for (const Key& k : keys) {
        Emit(uinput, EV_KEY, k.code, k.value);
        Emit(uinput, EV_SYN, SYN_REPORT, 0);
    }
}

struct Read {
    std::vector<Key> keys;
    std::vector<long long> micros;
};

// Reads key events until `want` arrived or `timeout_ms` passed without any.
Read ReadKeys(int fd, size_t want, int timeout_ms) {
    Read out;
    while (out.keys.size() < want) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, timeout_ms);
        if (ready < 0) FailSys("poll");
        if (ready == 0) break;
        input_event evs[64];
        ssize_t n = read(fd, evs, sizeof evs);
        if (n < 0 && errno == EAGAIN) continue;
        if (n < 0) FailSys("read event device");
        for (ssize_t i = 0; i < n / static_cast<ssize_t>(sizeof(input_event)); ++i) {
            if (evs[i].type != EV_KEY) continue;
            out.keys.push_back({evs[i].code, evs[i].value});
            out.micros.push_back(evs[i].input_event_sec * 1000000LL + evs[i].input_event_usec);
        }
    }
    return out;
}

std::string Describe(const std::vector<Key>& keys) {
    std::string s;
    for (const Key& k : keys) s += std::to_string(k.code) + (k.value ? "v " : "^ ");
    return s.empty() ? "(nothing)" : s;
}

void ExpectKeys(const char* who, const Read& got, const std::vector<Key>& want) {
    if (got.keys != want) {
        Fail(std::string(who) + " read " + Describe(got.keys) + "instead of " + Describe(want));
    }
}

void Run() {
    Fd uinput(CreateKeyboard());
    const std::string path = FindDevice();
    Fd grabber(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    Fd other(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (grabber.get() < 0 || other.get() < 0) FailSys("open " + path);

    if (ioctl(grabber.get(), EVIOCGRAB, 1) < 0) FailSys("EVIOCGRAB");
    if (ioctl(other.get(), EVIOCGRAB, 1) == 0 || errno != EBUSY) {
        Fail("a second EVIOCGRAB on a grabbed device did not fail with EBUSY");
    }
    const std::vector<Key> scan = {{KEY_H, 1}, {KEY_H, 0},     {KEY_I, 1},
                                   {KEY_I, 0}, {KEY_ENTER, 1}, {KEY_ENTER, 0}};
    const long long before = NowMicros();
    Type(uinput.get(), scan);
    const Read grabbed = ReadKeys(grabber.get(), scan.size(), 2000);
    const long long after = NowMicros();
    ExpectKeys("the grabbing reader", grabbed, scan);
    for (size_t i = 0; i < grabbed.micros.size(); ++i) {
        const long long t = grabbed.micros[i];
        if (t < before || t > after || (i > 0 && t < grabbed.micros[i - 1])) {
            Fail("event " + std::to_string(i) + " has timestamp " + std::to_string(t) +
                 ", not the kernel's time of the write (between " + std::to_string(before) +
                 " and " + std::to_string(after) + ")");
        }
    }
    ExpectKeys("a second reader during the grab", ReadKeys(other.get(), 1, 200), {});

    if (ioctl(grabber.get(), EVIOCGRAB, 0) < 0) FailSys("EVIOCGRAB release");
    const std::vector<Key> typed = {{KEY_O, 1}, {KEY_O, 0}, {KEY_K, 1}, {KEY_K, 0}};
    Type(uinput.get(), typed);
    ExpectKeys("a second reader after the release", ReadKeys(other.get(), typed.size(), 2000),
               typed);
    ExpectKeys("the former grabber", ReadKeys(grabber.get(), typed.size(), 2000), typed);

    ioctl(uinput.get(), UI_DEV_DESTROY);
    std::printf(
        "uinput_smoke_test: ok: %s grabbed and released, %zu kernel-stamped keys spanning %lld "
        "us\n",
        path.c_str(), grabbed.keys.size(), grabbed.micros.back() - grabbed.micros.front());
}

}  // namespace

int main() {
    try {
        Run();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "uinput_smoke_test: FAIL: %s\n", e.what());
        return 1;
    }
}
