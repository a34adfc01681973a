#include "core/usage.h"

#include <cstdio>
#include <string>

namespace blenvar {

int UsageError(std::string_view program, std::string_view what) {
    const std::string name(program);
    std::fprintf(stderr, "%s: %.*s (see %s --help)\n", name.c_str(), static_cast<int>(what.size()),
                 what.data(), name.c_str());
    return kUsageStatus;
}

}  // namespace blenvar
