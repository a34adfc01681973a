// Typing speed into a real window, side by side with `xdotool type` at its
// default delay. Needs a display:
//   tests/support/with-desktop --x -- <build>/bin/bench_keys
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "keys/literal_keys.h"
#include "keys/probe_session.h"
#include "output/key_sequence.h"
#include "platform/x11/x11_key_sender.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// 2,000 characters of letters, digits and shifted punctuation; no notation signs.
const std::string& Mask() {
    static const std::string mask = [] {
        const std::string alphabet =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$&*-=_;:,./<>?| ";
        std::string s;
        unsigned x = 2024;
        for (int i = 0; i < 2000; ++i) {
            x = x * 1103515245u + 12345u;
            s += alphabet[(x >> 16) % alphabet.size()];
        }
        return s;
    }();
    return mask;
}

blenvar::test::ProbeSession* Probe(benchmark::State& state) {
    static std::unique_ptr<blenvar::test::ProbeSession> probe;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (std::getenv("DISPLAY") == nullptr) {
            state.SkipWithError("no DISPLAY: run under tests/support/with-desktop --x");
            return nullptr;
        }
        probe = std::make_unique<blenvar::test::ProbeSession>();
        std::string error;
        if (!probe->Start(BLENVAR_KEYPROBE, error)) {
            probe.reset();
            state.SkipWithError(error.c_str());
        }
    }
    if (!probe) state.SkipWithError("the probe window is not running");
    return probe.get();
}

// Waits until the probe has `bytes` more than `from`; returns the elapsed seconds.
double WaitForBytes(const blenvar::test::ProbeSession& probe, std::size_t target,
                    Clock::time_point start) {
    const auto deadline = start + std::chrono::seconds(120);
    while (probe.Size() < target && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t Lost(const std::string& got, const std::string& want) {
    std::size_t lost =
        got.size() > want.size() ? got.size() - want.size() : want.size() - got.size();
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) lost += got[i] != want[i];
    return lost;
}

void Report(benchmark::State& state, double seconds, std::size_t lost) {
    state.SetIterationTime(seconds);
    state.counters["chars_per_s"] = double(Mask().size()) / seconds;
    state.counters["lost_chars"] = double(lost);
}

void BM_ParseMask(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(blenvar::ParseKeySequence(Mask()));
    state.SetItemsProcessed(std::int64_t(state.iterations() * Mask().size()));
}
BENCHMARK(BM_ParseMask);

// Types the actions; a failure ends the benchmark with the sender's reason.
bool SendOrSkip(benchmark::State& state, blenvar::X11KeySender& sender,
                const std::vector<blenvar::KeyAction>& actions) {
    std::string error;
    if (sender.Send(actions, error)) return true;
    state.SkipWithError(error.c_str());
    return false;
}

void BM_X11KeySenderType2000(benchmark::State& state) {
    blenvar::test::ProbeSession* probe = Probe(state);
    if (probe == nullptr) return;
    blenvar::X11KeySender sender;
    const std::vector<blenvar::KeyAction> actions = blenvar::ParseKeySequence(Mask()).actions;
    for (auto _ : state) {
        const std::size_t from = probe->Size();
        const auto start = Clock::now();
        if (!SendOrSkip(state, sender, actions)) return;
        const double seconds = WaitForBytes(*probe, from + Mask().size(), start);
        Report(state, seconds, Lost(probe->ReadSince(from, Mask().size(), 0, 100), Mask()));
    }
}
BENCHMARK(BM_X11KeySenderType2000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// A three-character scan none of whose characters is on the layout: each
// needs a spare key code bound. A new sender per scan, so nothing is bound yet.
void BM_X11KeySenderOffLayout3(benchmark::State& state) {
    blenvar::test::ProbeSession* probe = Probe(state);
    if (probe == nullptr) return;
    const std::string text = "\xE4\xB8\xAD\xE2\x82\xAC\xC4\xB3";  // 中€ĳ
    const std::vector<blenvar::KeyAction> actions = blenvar::test::LiteralKeys(text);
    for (auto _ : state) {
        blenvar::X11KeySender sender;
        const std::size_t from = probe->Size();
        const auto start = Clock::now();
        if (!SendOrSkip(state, sender, actions)) return;
        state.counters["send_ms"] =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.SetIterationTime(WaitForBytes(*probe, from + text.size(), start));
        state.counters["lost_chars"] =
            double(Lost(probe->ReadSince(from, text.size(), 0, 50), text));
    }
}
BENCHMARK(BM_X11KeySenderOffLayout3)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_XdotoolTypeDefaultDelay2000(benchmark::State& state) {
    blenvar::test::ProbeSession* probe = Probe(state);
    if (probe == nullptr) return;
    for (auto _ : state) {
        const std::size_t from = probe->Size();
        const auto start = Clock::now();
        pid_t pid;
        const char* argv[] = {"xdotool", "type", "--", Mask().c_str(), nullptr};
        if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            state.SkipWithError("xdotool is not installed");
            return;
        }
        waitpid(pid, nullptr, 0);
        const double seconds = WaitForBytes(*probe, from + Mask().size(), start);
        Report(state, seconds, Lost(probe->ReadSince(from, Mask().size(), 0, 100), Mask()));
    }
}
BENCHMARK(BM_XdotoolTypeDefaultDelay2000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
