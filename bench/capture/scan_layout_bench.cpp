// Per key event cost of reading a 2,000-character scan on the scanner's layout (fr)
// against the fixed US table.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "capture/capture_machine.h"
#include "capture/key_table.h"
#include "platform/evdev/xkb_scan_translator.h"

namespace blenvar {
namespace {

// Alternately a shifted digit (AZERTY's Shift+"&" is "1") and a letter: 2,000 characters.
std::vector<KeyEvent> ScanEvents() {
    std::vector<KeyEvent> events;
    const auto key = [&](int code, bool press, bool shift) {
        for (const KeyEvent& e : ReportKey(code, press, HeldModifiers{shift}, false, 0))
            events.push_back(e);
    };
    for (int i = 0; i < 1000; ++i) {
        key(42, true, false);
        key(2 + i % 10, true, true);
        key(2 + i % 10, false, true);
        key(42, false, true);
        key(16 + i % 10, true, false);
        key(16 + i % 10, false, false);
    }
    return events;
}

void Read(benchmark::State& state, ScanTranslator* translator) {
    const std::vector<KeyEvent> events = ScanEvents();
    for (auto _ : state) {
        if (translator) translator->Begin();
        std::string scan;
        for (const KeyEvent& e : events) scan += ScanText(translator, e);
        benchmark::DoNotOptimize(scan);
    }
    state.counters["per_event"] =
        benchmark::Counter(double(events.size()) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FixedTable(benchmark::State& state) {
    Read(state, nullptr);
}

void FrenchLayout(benchmark::State& state) {
    std::string error;
    const std::unique_ptr<ScanTranslator> fr = MakeXkbScanTranslator("fr", 437, error);
    if (!fr) return state.SkipWithError(error.c_str());
    Read(state, fr.get());
}

BENCHMARK(FixedTable);
BENCHMARK(FrenchLayout);

}  // namespace
}  // namespace blenvar
