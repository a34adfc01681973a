#include "core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace blenvar {
namespace {

constexpr std::size_t kTempSuffix = 6;  // mkostemp's random characters

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

bool IsAbsent(int err) {
    return err == ENOENT || err == ENOTDIR;
}

bool IsAlnumAscii(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The six characters mkostemp put there. A lower-case word ("backup") is more likely a
// file the user made; leaving a rare dead temporary behind costs only space.
bool LooksRandom(std::string_view s) {
    if (s.size() != kTempSuffix) return false;
    bool other = false;
    for (char c : s) {
        if (!IsAlnumAscii(c)) return false;
        other = other || !(c >= 'a' && c <= 'z');
    }
    return other;
}

std::string Hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

std::uint64_t Fnv1a(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
        }
    }
    return 022;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Every link on the way to the file, in turn. One that another user made in a folder others
// may write could send the save to any file the user may write, so it is not followed: the
// kernel's protected_symlinks rule, for group-writable folders too. The folder's owner could
// replace the link anyway, so its links count as the user's.
bool LinksAreTrusted(std::string path, std::string* error) {
    for (int hops = 0; hops < 40; ++hops) {  // a longer chain fails to resolve anyway
        struct stat link {};
        struct stat folder {};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
        const std::string dir = FolderOf(path);
        if (::stat(dir.c_str(), &folder) != 0) return true;  // resolving reports it
        if ((folder.st_mode & (S_IWGRP | S_IWOTH)) != 0 && link.st_uid != ::geteuid() &&
            link.st_uid != folder.st_uid) {
            errno = EACCES;
            const std::string why = " is a link another user made in a folder others may write";
            return Fail(error, path + why + "; it is not followed");
        }
        std::string to(static_cast<std::size_t>(link.st_size) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0 || static_cast<std::size_t>(n) >= to.size()) return true;
        to.resize(static_cast<std::size_t>(n));
        path = to.starts_with('/') ? to : dir + "/" + to;
    }
    return true;
}

}  // namespace

bool ResolveReplaceTarget(const std::string& path, ReplaceTarget& target, std::string* error) {
    if (path.empty()) {
        errno = ENOENT;
        return Fail(error, "no file name");
    }
    target.file = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        if (!LinksAreTrusted(path, error)) return false;
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) return Fail(error, "can't resolve " + path);
        target.file = real;
        std::free(real);
    }
    if (::stat(target.file.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            return Fail(error, target.file + " is not a regular file");
        }
        // Renaming over a file needs only the folder's permission; the file's own write
        // permission is what the user set to protect it.
        const bool writable =
            ::geteuid() == 0 ? (st.st_mode & 0222) != 0
                             : ::faccessat(AT_FDCWD, target.file.c_str(), W_OK, AT_EACCESS) == 0;
        if (!writable) {
            errno = EACCES;
            return Fail(error, target.file + " is read-only");
        }
    } else if (!IsAbsent(errno)) {
        return Fail(error, "can't examine " + target.file);
    }

    const std::size_t slash = target.file.rfind('/');
    target.folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.file.substr(0, slash));
    std::string base = slash == std::string::npos ? target.file : target.file.substr(slash + 1);
    // Room for ".", ".lock" and ".XXXXXX" within a name's 255 bytes.
    if (base.size() > 200) base = "long-" + Hex(Fnv1a(base));
    target.stem = (slash == std::string::npos ? std::string() : target.file.substr(0, slash + 1)) +
                  "." + base;
    return true;
}

bool ReplaceFile(const ReplaceTarget& target, std::string_view content, std::string* error) {
    struct stat st {};
    const bool exists = ::stat(target.file.c_str(), &st) == 0;
    if (!exists && !IsAbsent(errno)) return Fail(error, "can't examine " + target.file);
    if (exists && !S_ISREG(st.st_mode)) {
        errno = EISDIR;
        return Fail(error, target.file + " is not a regular file");
    }
    const std::string& dir = target.folder;
    std::string temp = target.TempTemplate();

    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Fail(error, "can't create a temporary file in " + dir);

    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    bool ok = WriteAll(fd, content) && ::fchmod(fd, mode) == 0;
    if (ok && exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Only the owner or root may keep foreign ownership; the content still goes in.
    }
    ok = ok && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = err;
        return Fail(error, "can't write " + temp);
    }
    if (::rename(temp.c_str(), target.file.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        errno = err;
        return Fail(error, "can't replace " + target.file);
    }
    // Make the rename itself durable.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void RemoveDeadTemporaries(const ReplaceTarget& target) {
    DIR* dir = ::opendir(target.folder.c_str());
    if (!dir) return;
    const std::string_view stem(target.stem);
    const std::string_view prefix = stem.substr(stem.rfind('/') + 1);  // ".blenvar.ini"
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.size() != prefix.size() + 1 + kTempSuffix || !name.starts_with(prefix) ||
            name[prefix.size()] != '.' || !LooksRandom(name.substr(prefix.size() + 1))) {
            continue;
        }
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            ::unlinkat(dfd, e->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace blenvar
