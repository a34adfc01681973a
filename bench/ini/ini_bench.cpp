// Settings reads on the decode path and saves from the editor, in a file of 1,000
// sections of fifteen keys each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

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

void BM_GetValue(benchmark::State& state) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSection(SectionName(static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(ini.GetValue("KeyboardMask", "%%C"));
}
BENCHMARK(BM_GetValue)->ArgName("section")->Arg(0)->Arg(500)->Arg(999);

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

void BM_SaveValue(benchmark::State& state) {
    blenvar::INIFile ini;
    ini.SetFileName(SettingsFile());
    ini.SetSection(SectionName(500));
    bool on = false;
    for (auto _ : state) {
        on = !on;  // a changed value, so every save writes the file
        if (!ini.SaveValue("ScanToKeyboard", on ? "1" : "0")) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveValue)->Unit(benchmark::kMicrosecond);

}  // namespace
