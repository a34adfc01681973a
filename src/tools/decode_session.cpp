#include "tools/decode_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "components/ini/ini_file.h"
#include "decode/code_types.h"
#include "decode/decode_scan.h"
#include "output/conversions.h"
#include "output/mask.h"
#include "tools/decode_fakes.h"
#include "tools/json_text.h"

namespace blenvar {

bool CanReadFile(const std::string& path, std::string& error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        error = "it is not a regular file";
        ok = false;
    } else if (ok) {
        char c;
        if (read(fd, &c, 1) < 0) {
            error = std::strerror(errno);
            ok = false;
        }
    } else {
        error = std::strerror(errno);
    }
    close(fd);
    return ok;
}

void ForEachRawScan(const DecodeOptions& opts, const std::function<bool(const std::string&)>& f) {
    if (!opts.raws.empty()) {
        for (const auto& r : opts.raws)
            if (!f(r)) return;
        return;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!f(line)) return;
    }
}

std::string ScanLine(const DecodeOptions& opts, const ScanRecord& rec, const std::string& opened) {
    if (opts.format) return FormatMask(*opts.format, rec);
    std::string out = "{\"raw\":" + JsonString(rec.Raw) + ",\"serial\":" + JsonString(rec.Serial) +
                      ",\"type\":" + JsonString(rec.TypeName) +
                      ",\"code\":" + JsonString(rec.Code) + ",\"extra\":" + JsonString(rec.Extra) +
                      ",\"date\":" + JsonString(rec.Date) + ",\"time\":" + JsonString(rec.Time);
    if (!opened.empty()) out += ",\"open\":" + JsonString(opened);
    out += "}";
    return out;
}

int RunDecodeOnly(const DecodeOptions& opts, const std::string& settingsFile) {
    INIFile ini;
    ini.SetFileName(settingsFile);
    const std::vector<std::string> types = LoadCodeTypes(ini);
    SystemClock clock;
    RecordingOpener opener(nullptr);
    SilentSound sound;
    NoTray tray;
    DecodeContext ctx{ini, types, opener, sound, tray, clock};
    if (opts.encoding) ctx.encodingOverride = *opts.encoding;
    ForEachRawScan(opts, [&](const std::string& raw) {
        ScanRecord rec;
        rec.Raw = raw;
        opener.Reset();
        DecodeScan(rec, ctx);
        ApplyConversions(rec, ini);
        std::cout << ScanLine(opts, rec, opener.Last()) << '\n' << std::flush;
        return static_cast<bool>(std::cout);
    });
    if (!std::cout) {
        std::cerr << "blenvar-decode: the results could not be written\n";
        return 1;
    }
    return 0;
}

}  // namespace blenvar
