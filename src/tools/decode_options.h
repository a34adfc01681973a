#pragma once
#include <optional>
#include <string>
#include <vector>

namespace blenvar {

struct DecodeOptions {
    std::optional<std::string> settings;
    std::optional<std::string> encoding;  // "AIM" or "Other", as given
    std::optional<std::string> format;
    bool deliver = false;
    bool capture = false;  // scans come from the input devices
    bool train = false;    // one sample scan from the input devices trains the scanner
    bool help = false;
    bool version = false;
    std::vector<std::string> raws;  // empty: read standard input
};

inline constexpr const char* kDecodeUsage =
    "Usage: blenvar-decode [--settings FILE] [--encoding AIM|Other] [--format MASK] "
    "[--capture] [--deliver] [--train] [--help] [--version] [RAW ...]";

// The --help text, naming the settings file the run would read; note follows the name.
std::string DecodeHelp(const std::string& settingsFile, const std::string& note);

// Parses the command line; on a usage error returns false with one sentence in error.
bool ParseDecodeOptions(const std::vector<std::string>& args, DecodeOptions& out,
                        std::string& error);

}  // namespace blenvar
