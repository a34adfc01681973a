#include "tools/decode_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "components/ini/ini_file.h"
#include "decode/code_types.h"
#include "decode/decode_scan.h"
#include "output/conversions.h"
#include "output/mask.h"
#include "platform/system_clock.h"
#include "tools/json_text.h"
#include "tools/line_writer.h"
#include "tools/null_services.h"
#include "tools/scan_input.h"

namespace blenvar {

bool CanReadFile(const std::string& path, std::string& error) {
    // Never open a FIFO or device for reading: that may block, or have side effects.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "it is not a regular file";
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) {
        error = "it is not a regular file";
    } else {
        char c;
        if (read(fd, &c, 1) < 0) {
            error = std::strerror(errno);
            ok = false;
        }
    }
    close(fd);
    return ok;
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
    // Settings are checked once for every block of input: scans that arrived together
    // are decoded as if at the same moment.
    ini.SetSnapshotReads(true);
    const std::vector<std::string> types = LoadCodeTypes(ini);
    SystemClock clock;
    RecordingOpener opener(nullptr);
    SilentSound sound;
    NullTray tray;
    DecodeContext ctx{ini, types, opener, sound, tray, clock};
    if (opts.encoding) ctx.encodingOverride = *opts.encoding;
    ctx.refreshPerScan = false;
    LineWriter out(STDOUT_FILENO);
    auto decode = [&](std::string_view raw) {
        ScanRecord rec;
        rec.Raw = raw;
        opener.Reset();
        DecodeScan(rec, ctx);
        ApplyConversions(rec, ini);
        out.Line(ScanLine(opts, rec, opener.Last()));
        return out.Ok();
    };
    if (!opts.raws.empty()) {
        ini.Refresh();
        for (const auto& raw : opts.raws)
            if (!decode(raw)) break;
    } else {
        if (const int error = ReadScans(
                STDIN_FILENO, decode, [&] { out.Flush(); }, [&] { ini.Refresh(); })) {
            std::fprintf(stderr, "blenvar-decode: standard input could not be read: %s\n",
                         std::strerror(error));
            return 1;
        }
    }
    if (!out.Flush()) {
        std::fputs("blenvar-decode: the results could not be written\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace blenvar
