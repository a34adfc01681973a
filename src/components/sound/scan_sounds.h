#pragma once
// The program's scan sounds: the event names and the files that ship with the program.
#include <string_view>

namespace blenvar {

// Events: a scan that could not be read, and a scan of no known type (which is also the
// name of the catch-all type, so its sound is set like any type's).
inline constexpr std::string_view kBadScanSound = "Bad Scan";
inline constexpr std::string_view kUnknownSound = "UNKNOWN";

// Files in the program's folder.
inline constexpr std::string_view kBadScanFile = "buzz.wav";      // harsh low buzz
inline constexpr std::string_view kGoodScanFile = "zing.wav";     // bright rising tone
inline constexpr std::string_view kUnknownScanFile = "boin.wav";  // falling "boing"

}  // namespace blenvar
