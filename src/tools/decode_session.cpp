#include "tools/decode_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "components/ini/ini_file.h"
#include "core/json_text.h"
#include "decode/conversions.h"
#include "decode/decode_scan.h"
#include "output/mask.h"
#include "platform/posix/system_clock.h"
#include "settings/code_types.h"
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

void AppendScanLine(std::string& out, const DecodeOptions& opts, const ScanRecord& rec,
                    const std::string& opened) {
    if (opts.format) {
        out += FormatMask(*opts.format, rec);
        return;
    }
    AppendScanJson(out, rec, opened);
}

std::string ScanLine(const DecodeOptions& opts, const ScanRecord& rec, const std::string& opened) {
    std::string out;
    AppendScanLine(out, opts, rec, opened);
    return out;
}

struct ScanDecoder::Parts {
    explicit Parts(const std::string& settingsFile) {
        ini.SetFileName(settingsFile);
        // Checked once per Refresh: scans that arrived together decode as at one moment.
        ini.SetSnapshotReads(true);
        types = LoadCodeTypes(ini);
    }
    INIFile ini;
    std::vector<std::string> types;
    SystemClock clock;
    RecordingOpener opener{nullptr};
    SilentSound sound;
    NullTray tray;
    DecodeContext ctx{ini, types, opener, sound, tray, clock};
    ScanRecord rec;  // kept, so its texts' memory serves the next scan
    std::string line;
};

ScanDecoder::ScanDecoder(const DecodeOptions& opts, const std::string& settingsFile)
    : opts_(opts), parts_(std::make_unique<Parts>(settingsFile)) {
    if (opts.encoding) parts_->ctx.encodingOverride = *opts.encoding;
    parts_->ctx.refreshPerScan = false;
}

ScanDecoder::~ScanDecoder() = default;

void ScanDecoder::Refresh() {
    parts_->ctx.settingsGeneration = parts_->ini.Refresh();
}

const std::string& ScanDecoder::Line(std::string_view raw, bool identified,
                                     std::string_view device) {
    Parts& p = *parts_;
    p.rec.Raw.assign(raw);
    p.rec.Device.assign(device);
    p.opener.Reset();
    DecodeScan(p.rec, p.ctx, identified);
    ApplyConversions(p.rec, p.ini);
    p.line.clear();
    AppendScanLine(p.line, opts_, p.rec, p.opener.Last());
    return p.line;
}

int RunDecodeOnly(const DecodeOptions& opts, const std::string& settingsFile) {
    ScanDecoder decoder(opts, settingsFile);
    LineWriter out(STDOUT_FILENO);
    auto decode = [&](std::string_view raw) {
        out.Line(decoder.Line(raw));
        return out.Ok();
    };
    if (!opts.raws.empty()) {
        decoder.Refresh();
        for (const auto& raw : opts.raws)
            if (!decode(raw)) break;
    } else {
        if (const int error = ReadScans(
                STDIN_FILENO, decode, [&] { out.Flush(); }, [&] { decoder.Refresh(); })) {
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
