#include "components/ini/ini_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace blenvar::ini {
namespace {

// File times come from a coarse clock; a file changed this recently may change again
// without its mtime moving.
constexpr long long kRacyWindowNs = 100'000'000;

long long Nanos(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

const std::shared_ptr<const Document>& EmptyDocument() {
    static const std::shared_ptr<const Document> empty = std::make_shared<const Document>("");
    return empty;
}

Snapshot Without(LoadState state) {
    return Snapshot{state, EmptyDocument()};
}

bool IsAbsent(int err) {
    return err == ENOENT || err == ENOTDIR;
}

}  // namespace

Snapshot CachedFile::Load(const std::string& path) {
    if (path.empty()) return Without(LoadState::Unreadable);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return Without(IsAbsent(errno) ? LoadState::Missing : LoadState::Unreadable);
    }
    if (doc_ && trusted_ && path == path_ && st.st_dev == dev_ && st.st_ino == ino_ &&
        st.st_size == size_ && st.st_mtim.tv_sec == mtime_.tv_sec &&
        st.st_mtim.tv_nsec == mtime_.tv_nsec && st.st_ctim.tv_sec == ctime_.tv_sec &&
        st.st_ctim.tv_nsec == ctime_.tv_nsec) {
        return Snapshot{LoadState::Present, doc_};
    }

    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // Non-blocking so a FIFO in the file's place can't hang us; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Without(IsAbsent(errno) ? LoadState::Missing : LoadState::Unreadable);
    // Stat before reading: a change during the read then shows up as a stale stamp.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Without(LoadState::Unreadable);
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return Without(LoadState::Unreadable);
        }
        if (n == 0) break;
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);

    if (!(doc_ && path == path_ && doc_->Content() == content)) {
        doc_ = std::make_shared<const Document>(std::move(content));
    }
    path_ = path;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    size_ = st.st_size;
    mtime_ = st.st_mtim;
    // Tools can set the modification time back (cp -p, touch -r); the change time they can't.
    ctime_ = st.st_ctim;
    trusted_ = std::max(Nanos(st.st_mtim), Nanos(st.st_ctim)) < Nanos(now) - kRacyWindowNs;
    return Snapshot{LoadState::Present, doc_};
}

Snapshot CachedFile::Adopt(const std::string& path, std::string content) {
    path_ = path;
    doc_ = std::make_shared<const Document>(std::move(content));
    trusted_ = false;  // the next Load stamps it (and finds the same bytes)
    return Snapshot{LoadState::Present, doc_};
}

}  // namespace blenvar::ini
