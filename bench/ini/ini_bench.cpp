// Settings reads on the decode path and saves from the editor, in a file of 1,000
// sections of fifteen keys each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "components/ini/ini_file.h"

namespace {

const char* const kKeys[] = {"ScanToKeyboard",  "AddReturn",   "ExecuteCommand", "ExpandUPCE",
                             "ConvertISBNISSN", "SaveToFile",  "WebJump",        "SendToClipboard",
                             "ClipboardMask",   "CommandLine", "CommandOptions", "FileFormat",
                             "FileName",        "IdentText",   "KeyboardMask"};

std::string SectionName(int i) {
    return "TYPE " + std::to_string(i);
}

struct TempDir {
    std::string path = (std::filesystem::temp_directory_path() / "ini-bench-XXXXXX").string();
    TempDir() {
        if (!mkdtemp(path.data())) std::abort();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// One settings file for the whole run, dated in the past like a file in daily use.
const std::string& SettingsFile() {
    static const TempDir dir;
    static const std::string path = [] {
        std::string file = dir.path + "/blenvar.ini";
        std::ofstream out(file, std::ios::binary);
        for (int s = 0; s < 1000; ++s) {
            out << "[" << SectionName(s) << "]\r\n";
            for (const char* k : kKeys)
                out << k << "="
                    << "%%d,%%t,\"%%C\"\r\n";
        }
        out.close();
        timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, file.c_str(), old, 0);
        return file;
    }();
    return path;
}

// Arg 0: every read checks the file (stat); arg 1: snapshot reads, refreshed per scan.
void BM_GetValue(benchmark::State& state) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSection(SectionName(static_cast<int>(state.range(0))));
    ini.SetSnapshotReads(state.range(1) != 0);
    ini.Refresh();
    for (auto _ : state) benchmark::DoNotOptimize(ini.GetValue("KeyboardMask", "%%C"));
}
BENCHMARK(BM_GetValue)->ArgNames({"section", "snapshot"})->ArgsProduct({{0, 500, 999}, {0, 1}});

// The once-per-scan check of an unchanged file.
void BM_Refresh(benchmark::State& state) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSnapshotReads(true);
    for (auto _ : state) benchmark::DoNotOptimize(ini.Refresh());
}
BENCHMARK(BM_Refresh);

// What identifier mode reads for one scan: Refresh, then IdentText of the twelve types
// and Encoding; arg 1 turns snapshot reads on.
void BM_ScanReads(benchmark::State& state) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSnapshotReads(state.range(0) != 0);
    for (auto _ : state) {
        ini.Refresh();
        ini.SetSection("Setup");
        benchmark::DoNotOptimize(ini.GetValue("Encoding"));
        for (int s = 0; s < 12; ++s) {
            ini.SetSection(SectionName(s));
            benchmark::DoNotOptimize(ini.GetValue("IdentText"));
        }
    }
}
BENCHMARK(BM_ScanReads)->ArgName("snapshot")->Arg(0)->Arg(1);

// The first read of a component: the file is read and parsed.
void BM_GetValueFirstRead(benchmark::State& state) {
    for (auto _ : state) {
        blenvar::INIFile ini;
        ini.SetFileName(SettingsFile());
        ini.SetSection(SectionName(999));
        benchmark::DoNotOptimize(ini.GetValue("KeyboardMask", "%%C"));
    }
}
BENCHMARK(BM_GetValueFirstRead)->Unit(benchmark::kMicrosecond);

// Saves into section 500, flipping the values each time so that every save writes the file.
template <typename Save>
void SaveLoop(benchmark::State& state, Save save) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSection(SectionName(500));
    bool on = false;
    for (auto _ : state) {
        on = !on;
        if (!save(ini, on)) state.SkipWithError("save failed");
    }
}

void BM_SaveValue(benchmark::State& state) {
    SaveLoop(state, [](blenvar::INIFile& ini, bool on) {
        return ini.SaveValue("ScanToKeyboard", on ? "1" : "0");
    });
}
BENCHMARK(BM_SaveValue)->Unit(benchmark::kMicrosecond);

// A type's fifteen settings as the editor saves them: key by key (as before) or in one write.
std::vector<std::pair<std::string, std::string>> FifteenKeys(bool on) {
    std::vector<std::pair<std::string, std::string>> kv;
    for (int i = 0; i < 15; ++i) kv.emplace_back("Key" + std::to_string(i), on ? "1" : "0");
    return kv;
}

void BM_SaveFifteenKeyByKey(benchmark::State& state) {
    SaveLoop(state, [](blenvar::INIFile& ini, bool on) {
        bool ok = true;
        for (const auto& [k, v] : FifteenKeys(on)) ok = ini.SaveValue(k, v) && ok;
        return ok;
    });
}
BENCHMARK(BM_SaveFifteenKeyByKey)->Unit(benchmark::kMillisecond);

void BM_SaveFifteenAtOnce(benchmark::State& state) {
    SaveLoop(state, [](blenvar::INIFile& ini, bool on) { return ini.SaveValues(FifteenKeys(on)); });
}
BENCHMARK(BM_SaveFifteenAtOnce)->Unit(benchmark::kMillisecond);

}  // namespace
