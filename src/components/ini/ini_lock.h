#pragma once
// What writers of one settings file share beside it: a lock file that serialises them
// from their read to their rename.
#include <string>

#include "core/atomic_file.h"

namespace blenvar::ini {

using WriteTarget = ReplaceTarget;

inline std::string LockPath(const WriteTarget& target) {
    return target.stem + ".lock";
}

// Holds the writers' lock of a target until destroyed. Blocks while another writer,
// in this process or another, holds it. While it is held, any temporary file beside the
// target is a dead writer's (RemoveDeadTemporaries).
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

}  // namespace blenvar::ini
