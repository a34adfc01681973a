#pragma once
// The one wording of a command-line mistake, shared by every program.
#include <string_view>

namespace blenvar {

inline constexpr int kUsageStatus = 2;

// Writes "PROGRAM: WHAT (see PROGRAM --help)" to standard error; returns kUsageStatus.
int UsageError(std::string_view program, std::string_view what);

}  // namespace blenvar
