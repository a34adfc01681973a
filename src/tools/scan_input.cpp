#include "tools/scan_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace blenvar {

namespace {

bool InputWaiting(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

}  // namespace

int ReadScans(int fd, const std::function<bool(std::string_view)>& onScan,
              const std::function<void()>& onIdle, const std::function<void()>& onBlock) {
    ScanFramer framer;
    std::vector<char> block(64 * 1024);
    for (;;) {
        if (onIdle && !InputWaiting(fd)) onIdle();
        const ssize_t n = read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : 0;
            framer.Finish(onScan);
            if (onIdle) onIdle();
            return error;
        }
        if (onBlock) onBlock();
        if (!framer.Feed(std::string_view(block.data(), static_cast<size_t>(n)), onScan)) return 0;
    }
}

}  // namespace blenvar
