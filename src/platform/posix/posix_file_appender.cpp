#include "platform/posix/posix_file_appender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace blenvar {

bool PosixFileAppender::AppendLine(const std::string& path, const std::string& line,
                                   std::string& error) {
    if (path.empty()) {
        error = "no file name is set";
        return false;
    }
    // Without O_NONBLOCK a FIFO nobody reads would hold open() for good; a device or a
    // FIFO is never a file to keep scans in, so it is refused before anything is written.
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = errno == ENXIO ? "it is not a regular file" : std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "it is not a regular file";
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string data = line + "\r\n";
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace blenvar
