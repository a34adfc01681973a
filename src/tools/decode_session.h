#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "core/scan_record.h"
#include "tools/decode_options.h"

namespace blenvar {

// True when path names a regular file whose bytes can be read; else the reason. Never
// blocks on a FIFO or device.
bool CanReadFile(const std::string& path, std::string& error);

// The line printed for a finished scan: the JSON object, or the --format mask applied.
// opened is the address a web jump opened ("" for none).
std::string ScanLine(const DecodeOptions& opts, const ScanRecord& rec, const std::string& opened);
void AppendScanLine(std::string& out, const DecodeOptions& opts, const ScanRecord& rec,
                    const std::string& opened);

// Decodes and converts scans as the program does, without a desktop, and makes their
// printed lines. The settings are read again at each Refresh().
class ScanDecoder {
  public:
    ScanDecoder(const DecodeOptions& opts, const std::string& settingsFile);
    ~ScanDecoder();
    ScanDecoder(const ScanDecoder&) = delete;
    ScanDecoder& operator=(const ScanDecoder&) = delete;

    void Refresh();
    // Valid until the next call. `device`: the source's name, when known.
    const std::string& Line(std::string_view raw, bool identified = false,
                            std::string_view device = {});

  private:
    struct Parts;
    const DecodeOptions& opts_;
    std::unique_ptr<Parts> parts_;
};

// Decodes the RAW arguments, or else the scans on standard input, and prints them.
int RunDecodeOnly(const DecodeOptions& opts, const std::string& settingsFile);

}  // namespace blenvar
