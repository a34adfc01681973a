#pragma once
// The one entry point of libblenvar-deliver.so, which blenvar-decode loads for --deliver
// only, so that decoding alone never loads Qt, audio or X libraries.
#include "tools/decode_options.h"

namespace blenvar {

inline constexpr const char* kDeliverLibrary = "libblenvar-deliver.so";
inline constexpr const char* kDeliverEntry = "blenvar_deliver_main";
using DeliverEntry = int(const DecodeOptions* opts, const char* settingsFile, int argc,
                         char** argv);

}  // namespace blenvar

extern "C" __attribute__((visibility("default"))) int blenvar_deliver_main(
    const blenvar::DecodeOptions* opts, const char* settingsFile, int argc, char** argv);
