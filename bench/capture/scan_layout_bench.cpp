// Per key event cost of reading a 2,000-character scan on the scanner's layout (fr)
// against the fixed US table.
#include <benchmark/benchmark.h>

#include <atomic>
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

// Detect layout: building the tables of every layout the system lists (done while the test
// barcode is shown), then matching one scan of it against them all.
const std::vector<LayoutTable>& AllTables() {
    static const std::atomic<bool> cancel{false};
    static const std::vector<LayoutTable> tables = BuildLayoutTables(SystemLayouts(), cancel);
    return tables;
}

void BuildAllLayoutTables(benchmark::State& state) {
    const std::atomic<bool> cancel{false};
    const std::vector<LayoutEntry> layouts = SystemLayouts();
    for (auto _ : state) benchmark::DoNotOptimize(BuildLayoutTables(layouts, cancel));
    state.counters["layouts"] = double(layouts.size());
}

void MatchOneScan(benchmark::State& state) {
    // "Aq7zw@y#m;!&:" as a US scanner types it, then Enter.
    const std::vector<std::pair<int, bool>> strokes = {
        {30, true}, {16, false}, {8, false},  {44, false}, {17, false}, {3, true},  {21, false},
        {4, true},  {50, false}, {39, false}, {2, true},   {8, true},   {39, true}, {28, false}};
    std::vector<KeyEvent> scan;
    for (const auto& [code, shift] : strokes)
        for (const bool press : {true, false})
            for (const KeyEvent& e : ReportKey(code, press, HeldModifiers{shift}, false, 0))
                scan.push_back(e);
    const std::vector<LayoutTable>& tables = AllTables();
    for (auto _ : state) benchmark::DoNotOptimize(MatchLayouts(scan, tables, {"us"}));
    state.counters["tables"] = double(tables.size());
}

BENCHMARK(FixedTable);
BENCHMARK(FrenchLayout);
BENCHMARK(BuildAllLayoutTables)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(MatchOneScan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace blenvar
