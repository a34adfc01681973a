#pragma once
// What writers of one settings file share beside it: a lock file that serialises them
// from their read to their rename, and the pattern of the temporary files they write.
#include <string>

namespace blenvar::ini {

// Where a save of a settings file goes.
struct WriteTarget {
    std::string file;    // the file itself, symbolic links resolved
    std::string folder;  // its folder
    std::string stem;    // folder + "/." + its name (a hash of a very long one)

    std::string LockPath() const { return stem + ".lock"; }
    // mkostemp's template: six characters replace the X's.
    std::string TempTemplate() const { return stem + ".XXXXXX"; }
};

// Resolves path and checks that it may be replaced: a missing file may be created; an
// existing one must be a regular file that the user may write. Root may write any file,
// so for root the write bits decide: a file marked read-only stays read-only.
// False with the reason in *error otherwise.
bool ResolveTarget(const std::string& path, WriteTarget& target, std::string* error = nullptr);

// Holds the writers' lock of a target until destroyed. Blocks while another writer,
// in this process or another, holds it.
class WriteLock {
  public:
    WriteLock() = default;
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    ~WriteLock();

    bool Acquire(const WriteTarget& target, std::string* error = nullptr);

  private:
    int fd_ = -1;
};

// Removes the temporary files that writers killed mid-save left beside the target. Call it
// only while holding the lock: a living writer holds the lock while its temporary exists,
// so any found then is dead.
void RemoveDeadTemporaries(const WriteTarget& target);

}  // namespace blenvar::ini
