// Per-scan cost of decoding, converting and formatting, and the wildcard worst case.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "decode/conversions.h"
#include "decode/cuecat_encoder.h"
#include "decode/decode_scan.h"
#include "decode/fakes.h"
#include "decode/gs1.h"
#include "decode/memory_settings.h"
#include "decode/readings.h"
#include "decode/wildcard.h"
#include "output/mask.h"
#include "settings/code_types.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

const std::string kAimRaw = "]E09780306406157]E251995";
const std::string kIdentRaw = "I!0123456789012";  // matches a late entry of the list
const std::string kCueCatRaw = testing::CueCatText("000123456", "E35", "978030640615751995");

using Entries = std::vector<std::pair<std::string, std::string>>;

const Entries kIdentList{{"EAN 8", "A!"},    {"EAN 13", "B!"},     {"INTERLEAVED 2 OF 5", "C!"},
                         {"ISBN", "D!"},     {"ISSN", "E!"},       {"CODE 39", "F!"},
                         {"CODE 128", "G!"}, {"CODABAR", "H!"},    {"UPC-E", "[XY]!"},
                         {"UPC-A", "#!"},    {"UCC/EAN 128", "I!"}};

// A wildcard identifier for each of twelve types; "7!3012345678905" is decided by
// UPC-A, late in the list.
const Entries kTwelveWildcards{
    {"EAN 8", "[Aa]#!"},  {"EAN 13", "B?#"},      {"INTERLEAVED 2 OF 5", "C*!"},
    {"ISBN", "[!0-9]D#"}, {"ISSN", "E#?"},        {"CODE 39", "F[xyz]!"},
    {"CODE 128", "G?!"},  {"CODABAR", "H*#!"},    {"UPC-E", "[XY]!#"},
    {"UPC-A", "#![0-9]"}, {"UCC/EAN 128", "]??"}, {"SHELF LABELS", "S*L"}};
const std::string kTwelveRaw = "7!3012345678905";

// Reading + conversions + the keyboard and file masks, with settings already read.
void PureScan(benchmark::State& state, const std::string& raw, bool aim) {
    testing::MemorySettings settings(aim, kIdentList);
    const ConversionSettings conv{true, true};
    for (auto _ : state) {
        Reading r;
        ReadScan(raw, settings, r);
        ScanRecord rec{raw,
                       std::move(r.Serial),
                       std::move(r.TypeName),
                       std::move(r.Code),
                       std::move(r.Extra),
                       "03/04/2005",
                       "9:05:07am"};
        ApplyConversions(rec, conv);
        benchmark::DoNotOptimize(FormatMask(kDefaultKeyboardMask, rec));
        benchmark::DoNotOptimize(FormatMask(kDefaultFileFormat, rec));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PureScan_Aim(benchmark::State& s) {
    PureScan(s, kAimRaw, true);
}
void BM_PureScan_Identifier(benchmark::State& s) {
    PureScan(s, kIdentRaw, false);
}
void BM_PureScan_CueCat(benchmark::State& s) {
    PureScan(s, kCueCatRaw, false);
}
BENCHMARK(BM_PureScan_Aim);
BENCHMARK(BM_PureScan_Identifier);
BENCHMARK(BM_PureScan_CueCat);

struct SettingsFile {
    SettingsFile(const std::string& encoding, const Entries& list) {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "blenvar-bench-XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        path = folder + "/blenvar.ini";
        std::ofstream out(path);
        out << "[Setup]\nEncoding=" << encoding << "\n";
        for (const auto& [type, ident] : list)
            out << "[" << type << "]\nIdentText=" << ident
                << "\nConvertISBNISSN=1\nKeyboardMask=%%C\n";
    }
    ~SettingsFile() { std::filesystem::remove_all(folder); }
    std::string folder, path;
};

// The whole driver reading a real settings file, then conversions and masks. The programs
// read with snapshot reads on (one check of the file per scan); off, every read checks.
void DriverScan(benchmark::State& state, const std::string& raw, const char* encoding,
                const Entries& list = kIdentList, bool withOutput = true, bool snapshot = true) {
    SettingsFile file(encoding, list);
    INIFile ini;
    ini.SetFileName(file.path);
    ini.SetSnapshotReads(snapshot);
    const std::vector<std::string> types = LoadCodeTypes(ini);
    testing::FakeOpener opener;
    testing::FakeSound sound;
    testing::FakeTray tray;
    testing::FakeClock clock;
    clock.readings = {testing::MakeTime(2005, 3, 4, 9, 5, 7)};
    DecodeContext ctx{ini, types, opener, sound, tray, clock};
    for (auto _ : state) {
        clock.next = 0;
        ScanRecord rec;
        rec.Raw = raw;
        DecodeScan(rec, ctx);
        if (!withOutput) {
            benchmark::DoNotOptimize(rec);
            continue;
        }
        ApplyConversions(rec, ini);
        benchmark::DoNotOptimize(FormatMask(ini.GetValue("KeyboardMask", "%%C"), rec));
        benchmark::DoNotOptimize(FormatMask(kDefaultFileFormat, rec));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DriverScan_Aim(benchmark::State& s) {
    DriverScan(s, kAimRaw, "AIM");
}
void BM_DriverScan_Identifier(benchmark::State& s) {
    DriverScan(s, kIdentRaw, "Other");
}
void BM_DriverScan_CueCat(benchmark::State& s) {
    DriverScan(s, kCueCatRaw, "Other");
}
BENCHMARK(BM_DriverScan_Aim);
BENCHMARK(BM_DriverScan_Identifier);
BENCHMARK(BM_DriverScan_CueCat);

// The driver's identifier work without the settings file: each identifier text is
// copied out as a read would give it and looked up in the cache of compiled ones.
// This is the driver's cost once settings reads come from a snapshot.
struct CachedTexts : ReadingSettings {
    bool AimMode() override { return false; }
    std::span<const std::string> Types() override { return types; }
    const Identifier& IdentifierOf(std::size_t index) override {
        return cache.Get(index, std::string(texts[index]));
    }
    std::vector<std::string> types, texts;
    IdentifierCache cache;
};

void BM_PureScan_TwelveWildcards(benchmark::State& state) {
    CachedTexts settings;
    for (const auto& [type, ident] : kTwelveWildcards) {
        settings.types.push_back(type);
        settings.texts.push_back(ident);
    }
    for (auto _ : state) {
        Reading r;
        ReadScan(kTwelveRaw, settings, r);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PureScan_TwelveWildcards);

void BM_DriverScan_TwelveWildcards(benchmark::State& s) {
    DriverScan(s, kTwelveRaw, "Other", kTwelveWildcards, false);  // decoding only
}
void BM_DriverScan_TwelveWildcards_EveryReadChecks(benchmark::State& s) {
    DriverScan(s, kTwelveRaw, "Other", kTwelveWildcards, false, false);
}
BENCHMARK(BM_DriverScan_TwelveWildcards);
BENCHMARK(BM_DriverScan_TwelveWildcards_EveryReadChecks);

void BM_Wildcard_64Stars(benchmark::State& state) {
    const std::string text(100000, 'a');
    const std::string pattern(64, '*');
    const WildcardPattern compiled(pattern);
    for (auto _ : state) benchmark::DoNotOptimize(compiled.Matches(text));
}
BENCHMARK(BM_Wildcard_64Stars)->Unit(benchmark::kMicrosecond);

// Stars between literals that all match, then a failing tail: the most scanning.
void BM_Wildcard_StarredFailing(benchmark::State& state) {
    const std::string text(100000, 'a');
    std::string pattern;
    for (int i = 0; i < 64; ++i) pattern += "*a";
    pattern += "*b";
    const WildcardPattern compiled(pattern);
    for (auto _ : state) benchmark::DoNotOptimize(compiled.Matches(text));
}
BENCHMARK(BM_Wildcard_StarredFailing)->Unit(benchmark::kMicrosecond);

// One long literal segment that almost matches at every position.
void BM_Wildcard_LongSegment(benchmark::State& state) {
    const std::string text(100000, 'a');
    const std::string pattern = "*" + std::string(61, 'a') + "b*";  // 64 characters
    const WildcardPattern compiled(pattern);
    for (auto _ : state) benchmark::DoNotOptimize(compiled.Matches(text));
}
BENCHMARK(BM_Wildcard_LongSegment)->Unit(benchmark::kMicrosecond);

// Splitting and checking GS1 data, counted in element strings (one AI and its data): a
// medicine pack of four, with a check digit, a date and two variable fields.
void BM_Gs1_MedicinePack(benchmark::State& state) {
    const std::string data =
        "01095011015300031726120010AB-123\x1d"
        "21SER1";
    ElementData out;
    for (auto _ : state) {
        ReadGs1(data, out);
        benchmark::DoNotOptimize(out.fields.data());
    }
    state.counters["element_strings_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 4, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Gs1_MedicinePack);

}  // namespace
}  // namespace blenvar
