// Prints the delay the All-mode relay adds: a key written to a synthetic keyboard until it
// is read from Blenvar's virtual keyboard, against the same key read from the source; and
// the keyboard's own delay while Scanner mode captures another device, against none.
#include <algorithm>

#include "vm_input.h"

namespace {

using namespace vm;

constexpr int kSamples = 1000;

std::vector<long long> Measure(Device& source, int reader) {
    std::vector<long long> micros;
    for (int i = 0; i < kSamples; ++i) {
        const long long start = NowMicros();
        source.Key(KEY_A, i % 2 == 0 ? 1 : 0);
        if (ReadKeys(reader, 1, 2000).size() != 1) Fail("key " + std::to_string(i) + " lost");
        micros.push_back(NowMicros() - start);
    }
    std::sort(micros.begin(), micros.end());
    return micros;
}

long long At(const std::vector<long long>& sorted, double q) {
    return sorted[static_cast<size_t>(q * double(sorted.size() - 1))];
}

}  // namespace

int main() {
    try {
        Device source("VM bench keyboard", 0x0b03);
        std::vector<long long> direct;
        {
            Fd reader = OpenReader(source.Node());
            direct = Measure(source, reader.get());
        }
        WriteFile("/tmp/bench.ini", Settings("All", ""));
        Capture capture("/tmp/bench.ini");
        WaitGrabbed(source.Node(), true);
        Fd relayed = OpenReader(FindNode("Blenvar virtual keyboard"));
        const std::vector<long long> relay = Measure(source, relayed.get());
        capture.Stop(SIGTERM);

        Device scanner("VM bench scanner", 0x0b04);
        WriteFile("/tmp/bench-scanner.ini", Settings("Scanner", "VM bench scanner|1d50:0b04"));
        std::vector<long long> alone, beside;
        {
            Fd reader = OpenReader(source.Node());
            alone = Measure(source, reader.get());
        }
        {
            Capture scannerOnly("/tmp/bench-scanner.ini");
            WaitGrabbed(scanner.Node(), true);
            if (Grabbed(source.Node())) Fail("Scanner mode grabbed the keyboard");
            Fd reader = OpenReader(source.Node());
            beside = Measure(source, reader.get());
            scannerOnly.Stop(SIGTERM);
        }
        std::printf(
            "relay_bench: Scanner mode, the keyboard's keys write->read us: without Blenvar "
            "p50 %lld p99 %lld; with Blenvar capturing the scanner p50 %lld p99 %lld\n",
            At(alone, 0.5), At(alone, 0.99), At(beside, 0.5), At(beside, 0.99));
        std::printf(
            "relay_bench: %d keys, write->read us: direct p50 %lld p99 %lld; "
            "through the relay p50 %lld p99 %lld; ratio p50 %.1fx p99 %.1fx\n",
            kSamples, At(direct, 0.5), At(direct, 0.99), At(relay, 0.5), At(relay, 0.99),
            double(At(relay, 0.5)) / double(std::max(1LL, At(direct, 0.5))),
            double(At(relay, 0.99)) / double(std::max(1LL, At(direct, 0.99))));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "relay_bench: FAIL: %s\n", e.what());
        return 1;
    }
}
