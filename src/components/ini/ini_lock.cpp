#include "components/ini/ini_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace blenvar::ini {
namespace {

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

}  // namespace

WriteLock::~WriteLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

bool WriteLock::Acquire(const WriteTarget& target, std::string* error) {
    const std::string path = LockPath(target);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    // Another user's lock file can still be locked through a read-only descriptor.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return Fail(error, "can't open " + path);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int err = errno;
            ::close(fd);
            errno = err;
            return Fail(error, "can't lock " + path);
        }
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    return true;
}

}  // namespace blenvar::ini
