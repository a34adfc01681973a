#pragma once
// Whole-file replacement that never leaves a half-written file: a temporary file beside
// the target, written, flushed to disk and renamed over it.
#include <string>
#include <string_view>

namespace blenvar {

// Where a replacement of a file goes.
struct ReplaceTarget {
    std::string file;    // the file itself, symbolic links resolved
    std::string folder;  // its folder
    std::string stem;    // folder + "/." + its name (a hash of a very long one)

    // mkostemp's template: six characters replace the X's.
    std::string TempTemplate() const { return stem + ".XXXXXX"; }
};

// Resolves path and checks that it may be replaced: a missing file may be created; an
// existing one must be a regular file that the user may write. Root may write any file,
// so for root the write bits decide: a file marked read-only stays read-only. A link is
// followed unless another user made it in a folder others may write.
// False with the reason in *error (and errno set) otherwise.
bool ResolveReplaceTarget(const std::string& path, ReplaceTarget& target,
                          std::string* error = nullptr);

// Replaces the target file by content; the file keeps its permissions and, where allowed,
// its owner. On failure the original is untouched, the temporary file removed, and the
// reason is put in *error (and errno set). Writers that may race hold a lock of their own.
bool ReplaceFile(const ReplaceTarget& target, std::string_view content,
                 std::string* error = nullptr);

// Removes the temporary files that writers killed mid-replacement left beside the target.
// Only safe while no other writer of the target can be mid-replacement.
void RemoveDeadTemporaries(const ReplaceTarget& target);

}  // namespace blenvar
