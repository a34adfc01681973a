#pragma once
#include <string>

#include "tools/decode_options.h"

namespace blenvar {

// Loads libblenvar-deliver.so (beside the program, else in its library folder) and runs
// --deliver with it. A library that can't be loaded is one line on stderr and exit 2.
int RunDeliverLibrary(const DecodeOptions& opts, const std::string& settingsFile, int argc,
                      char** argv);

}  // namespace blenvar
