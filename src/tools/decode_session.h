#pragma once
#include <functional>
#include <string>

#include "core/scan_record.h"
#include "tools/decode_options.h"

namespace blenvar {

// True when path names a regular file whose bytes can be read; else the reason.
bool CanReadFile(const std::string& path, std::string& error);

// Calls f for each raw scan text: the RAW arguments, or else each line of standard input
// without its LF or CR LF. Stops early when f returns false.
void ForEachRawScan(const DecodeOptions& opts, const std::function<bool(const std::string&)>& f);

// The line printed for a finished scan: the JSON object, or the --format mask applied.
std::string ScanLine(const DecodeOptions& opts, const ScanRecord& rec, const std::string& opened);

int RunDecodeOnly(const DecodeOptions& opts, const std::string& settingsFile);
int RunDeliver(const DecodeOptions& opts, const std::string& settingsFile, int argc, char** argv);

}  // namespace blenvar
