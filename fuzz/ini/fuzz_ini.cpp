// Arbitrary bytes as a settings file's content, read and edited through the component.
// Besides crashes it checks that a saved value reads back and that a section written from
// its own NUL-separated form reads back the same.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"

namespace {

const std::string& FilePath() {
    static const std::string path = [] {
        // Memory-backed when possible: every edit syncs the file to disk.
        char dir[] = "/dev/shm/fuzz-ini-XXXXXX";
        if (access("/dev/shm", W_OK) != 0) std::snprintf(dir, sizeof dir, "/tmp/fuzz-ini-XXXXXX");
        if (!mkdtemp(dir)) abort();
        return std::string(dir) + "/blenvar.ini";
    }();
    return path;
}

void Put(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(FilePath().c_str(), "wb");
    if (!f) abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Put(data, size);
    blenvar::INIFile ini;
    ini.SetFileName(FilePath());
    ini.EnumSections();

    std::vector<std::string> sections{"Setup", ""};
    for (int i = 0; i < ini.Sections()->Count() && i < 4; ++i) {
        sections.push_back(ini.Sections()->Item(i));
    }
    for (const std::string& section : sections) {
        ini.SetSection(section);
        std::string all = ini.GetAllValues();
        ini.EnumValues();
        std::vector<std::string> names;
        for (const blenvar::INIValue& v : *ini.Values()) names.push_back(v.ValName);
        for (const std::string& name : names) ini.GetValue(name, 0);

        if (ini.SaveAllValues(all) && ini.GetAllValues() != all) abort();
        if (ini.SaveValue("FuzzKey", "v=1 \"x\"") && ini.GetValue("fuzzkey") != "v=1 \"x\"") {
            abort();
        }
        if (!names.empty()) ini.DeleteValue(names.front());
        ini.DeleteValue("FuzzKey");
    }
    ini.SetSection(sections.back());
    ini.DeleteSection();
    ini.EnumSections();
    return 0;
}
