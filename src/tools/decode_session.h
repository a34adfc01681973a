#pragma once
#include <string>

#include "core/scan_record.h"
#include "tools/decode_options.h"

namespace blenvar {

// True when path names a regular file whose bytes can be read; else the reason. Never
// blocks on a FIFO or device.
bool CanReadFile(const std::string& path, std::string& error);

// The line printed for a finished scan: the JSON object, or the --format mask applied.
// opened is the address a web jump opened ("" for none).
std::string ScanLine(const DecodeOptions& opts, const ScanRecord& rec, const std::string& opened);

// Decodes the RAW arguments, or else the scans on standard input, and prints them.
int RunDecodeOnly(const DecodeOptions& opts, const std::string& settingsFile);

}  // namespace blenvar
