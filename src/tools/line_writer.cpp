#include "tools/line_writer.h"

#include <unistd.h>

#include <cerrno>

namespace blenvar {

bool LineWriter::Flush() {
    size_t done = 0;
    while (ok_ && done < buffer_.size()) {
        const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok_ = false;
        else
            done += static_cast<size_t>(n);
    }
    buffer_.clear();
    return ok_;
}

}  // namespace blenvar
