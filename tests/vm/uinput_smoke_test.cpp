// Proves the VM test bed: a uinput keyboard shows up as an event device that can be found
// by its name, grabbed so that no other reader sees its keys, and released.
#include <sys/time.h>

#include "vm_input.h"

namespace {

using namespace vm;

std::string Describe(const std::vector<Key>& keys) {
    std::string s;
    for (const Key& k : keys) s += std::to_string(k.code) + (k.value ? "v " : "^ ");
    return s.empty() ? "(nothing)" : s;
}

void ExpectKeys(const char* who, const std::vector<Key>& got, const std::vector<Key>& want) {
    if (got != want)
        Fail(std::string(who) + " read " + Describe(got) + "instead of " + Describe(want));
}

long long WallMicros() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return tv.tv_sec * 1000000LL + tv.tv_usec;
}

void Run() {
    Device keyboard("Blenvar VM smoke keyboard", 0x6189);
    const std::string& path = keyboard.Node();
    Fd grabber = OpenReader(path);
    Fd other = OpenReader(path);

    if (ioctl(grabber.get(), EVIOCGRAB, 1) < 0) FailSys("EVIOCGRAB");
    if (ioctl(other.get(), EVIOCGRAB, 1) == 0 || errno != EBUSY)
        Fail("a second EVIOCGRAB on a grabbed device did not fail with EBUSY");
    const std::vector<Key> scan = Taps({KEY_H, KEY_I, KEY_ENTER});
    const long long before = WallMicros();
    for (const Key& k : scan) keyboard.Key(k.code, k.value);
    std::vector<long long> micros;
    const std::vector<Key> grabbed = ReadKeys(grabber.get(), scan.size(), 2000, &micros);
    const long long after = WallMicros();
    ExpectKeys("the grabbing reader", grabbed, scan);
    for (size_t i = 0; i < micros.size(); ++i) {
        const long long t = micros[i];
        if (t < before || t > after || (i > 0 && t < micros[i - 1]))
            Fail("event " + std::to_string(i) + " has timestamp " + std::to_string(t) +
                 ", not the kernel's time of the write (between " + std::to_string(before) +
                 " and " + std::to_string(after) + ")");
    }
    ExpectKeys("a second reader during the grab", ReadKeys(other.get(), 1, 200), {});

    if (ioctl(grabber.get(), EVIOCGRAB, 0) < 0) FailSys("EVIOCGRAB release");
    const std::vector<Key> typed = Taps({KEY_O, KEY_K});
    for (const Key& k : typed) keyboard.Key(k.code, k.value);
    ExpectKeys("a second reader after the release", ReadKeys(other.get(), typed.size(), 2000),
               typed);
    ExpectKeys("the former grabber", ReadKeys(grabber.get(), typed.size(), 2000), typed);
    std::printf(
        "uinput_smoke_test: ok: %s grabbed and released, %zu kernel-stamped keys spanning "
        "%lld us\n",
        path.c_str(), grabbed.size(), micros.back() - micros.front());
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
