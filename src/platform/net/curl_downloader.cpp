#include "platform/net/curl_downloader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QMetaObject>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

#include "core/paths.h"
#include "platform/net/curl_library.h"

namespace blenvar {

struct DownloadJob {
    std::uint64_t id = 0;
    std::atomic<bool> cancelled{false};
    std::string url;
    int fd = -1;
    int lock = -1;  // the folder, shared-locked while the package is ours
    QCryptographicHash hash{QCryptographicHash::Sha256};
    std::int64_t received = 0;
    std::int64_t reported = -1;
    std::function<void(std::int64_t, std::int64_t)> progress;
    std::function<void(const DownloadResult&)> done;
    CurlDownloader* owner = nullptr;
    DownloadResult result;  // set by the worker before it ends
};

namespace {

// A desktop package; a server that sends more is not sending one.
constexpr curl_off_t kMaxPackage = curl_off_t{2} << 30;
// This long without a byte ends the download.
constexpr long kStallSeconds = 30;
// Progress goes to the window at most this often (in bytes) when no total is known.
constexpr std::int64_t kProgressStep = 256 * 1024;

std::string FileName(const std::string& url) {
    std::string name = url.substr(url.find_last_of('/') + 1);
    name = name.substr(0, name.find_first_of("?#"));
    // The server's name is never trusted as a path; the file keeps only plain characters.
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') {
            c = '_';
        }
    }
    if (name.empty() || name.front() == '.') name = "package" + name;
    return name;
}

std::string TempBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp == '/' ? tmp : "/tmp";
}

// mkdtemp's pattern for our folders.
constexpr std::string_view kFolderPrefix = "blenvar-update-";
constexpr size_t kFolderName = kFolderPrefix.size() + 6;

bool OurFolderName(std::string_view name) {
    return name.size() == kFolderName && name.substr(0, kFolderPrefix.size()) == kFolderPrefix &&
           std::all_of(name.begin() + kFolderPrefix.size(), name.end(),
                       [](unsigned char c) { return std::isalnum(c); });
}

// Our folder names on any running program's command line, however the path is spelt.
std::set<std::string> NamedOnCommandLines() {
    std::set<std::string> named;
    DIR* proc = ::opendir("/proc");
    if (!proc) return named;
    while (const dirent* e = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
        std::ifstream file(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
        const std::string line{std::istreambuf_iterator<char>(file), {}};
        for (size_t at = line.find(kFolderPrefix); at != std::string::npos;
             at = line.find(kFolderPrefix, at + 1))
            named.insert(line.substr(at, kFolderName));
    }
    ::closedir(proc);
    return named;
}

// Empties and removes the folder `name` inside `base`, staying inside it.
void RemoveFolder(int base, const char* name) {
    const int fd = ::openat(base, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    // Not the user's, or a download still running or awaiting its install.
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    if (DIR* dir = ::fdopendir(fd)) {
        while (const dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                ::unlinkat(fd, e->d_name, 0);  // a link goes, not what it names
        }
        ::unlinkat(base, name, AT_REMOVEDIR);
        ::closedir(dir);
    } else {
        ::close(fd);
    }
}

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* job = static_cast<DownloadJob*>(user);
    const size_t bytes = size * count;
    for (size_t written = 0; written < bytes;) {
        const ssize_t n = ::write(job->fd, data + written, bytes - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;  // curl reports a write error
        written += static_cast<size_t>(n);
    }
    job->hash.addData(QByteArrayView(data, static_cast<qsizetype>(bytes)));
    job->received += static_cast<std::int64_t>(bytes);
    return bytes;
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* job = static_cast<DownloadJob*>(user);
    if (job->cancelled) return 1;
    const bool due = total > 0 ? now * 100 / total != job->reported * 100 / total
                               : now - job->reported >= kProgressStep;
    if (due && now != job->reported) {
        job->reported = now;
        CurlDownloader* owner = job->owner;
        // Queued to the owner's thread; dropped with the owner's pending events.
        QMetaObject::invokeMethod(
            owner, [owner, id = job->id, now, total] { owner->Report(id, now, total); },
            Qt::QueuedConnection);
    }
    return 0;
}

}  // namespace

CurlDownloader::CurlDownloader(QObject* parent) : QObject(parent) {}

CurlDownloader::~CurlDownloader() {
    Cancel();
    for (const auto& [folder, lock] : locks_) ::close(lock);
}

void CurlDownloader::Start(const std::string& url,
                           std::function<void(std::int64_t, std::int64_t)> progress,
                           std::function<void(const DownloadResult&)> done) {
    Cancel();
    auto job = std::make_shared<DownloadJob>();
    job->url = url;
    job->progress = std::move(progress);
    job->done = std::move(done);
    job->owner = this;
    job->id = ++lastId_;
    job_ = job;
    worker_ = std::thread([this, job] { Run(job); });
}

void CurlDownloader::Run(std::shared_ptr<DownloadJob> job) {
    DownloadResult result;
    std::string folder = TempBase() + "/blenvar-update-XXXXXX";
    if (!mkdtemp(folder.data())) {
        result.error = "cannot make a temporary folder: " + std::string(std::strerror(errno));
    } else {
        job->lock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (job->lock >= 0) ::flock(job->lock, LOCK_SH);
        result.path = folder + "/" + FileName(job->url);
        job->fd =
            ::open(result.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (job->fd < 0)
            result.error = "cannot write the package: " + std::string(std::strerror(errno));
    }
    const Curl* lib = job->fd >= 0 ? LoadCurl(result.error) : nullptr;
    if (job->fd >= 0 && !lib) ::close(job->fd);
    if (lib) {
        char reason[CURL_ERROR_SIZE] = "";
        CURL* curl = lib->easy_init();
        lib->easy_setopt(curl, CURLOPT_URL, job->url.c_str());
        lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https,http,ftp");
        lib->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https,http,ftp");
        lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        lib->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        lib->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kStallSeconds);
        lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
        lib->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, kMaxPackage);
        lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, reason);
        // The certificates OpenSSL programs (Qt's page fetch among them) trust.
        if (const char* authorities = std::getenv("SSL_CERT_FILE"); authorities && *authorities)
            lib->easy_setopt(curl, CURLOPT_CAINFO, authorities);
        lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
        lib->easy_setopt(curl, CURLOPT_WRITEDATA, job.get());
        lib->easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        lib->easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
        lib->easy_setopt(curl, CURLOPT_XFERINFODATA, job.get());
        const CURLcode code = lib->easy_perform(curl);
        // Redirects may have left https: the install decision needs the real source.
        const char* source = nullptr;
        if (lib->easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &source) == CURLE_OK && source)
            result.url = source;
        lib->easy_cleanup(curl);
        const bool closed = ::close(job->fd) == 0;
        if (job->cancelled) {
            result.error = "cancelled";
        } else if (code != CURLE_OK) {
            result.error = *reason ? reason : lib->easy_strerror(code);
        } else if (!closed) {
            result.error = "cannot write the package: " + std::string(std::strerror(errno));
        } else {
            result.ok = true;
            result.sha256 = job->hash.result().toHex().toStdString();
        }
    }
    if (!result.ok && !result.path.empty()) {
        ::unlink(result.path.c_str());
        ::rmdir(folder.c_str());
        result.path.clear();
    }
    if (!result.ok && job->lock >= 0) {
        ::close(job->lock);
        job->lock = -1;
    }
    // A cancel may come after the check above: whoever cancels discards the file (Cancel
    // joins this thread first, so it sees the result).
    job->result = std::move(result);
    QMetaObject::invokeMethod(
        this, [this, id = job->id] { Finish(id); }, Qt::QueuedConnection);
}

void CurlDownloader::Finish(std::uint64_t id) {
    if (!job_ || job_->id != id) return;  // cancelled; Cancel discarded the file
    Join();
    const std::shared_ptr<DownloadJob> job = std::move(job_);
    if (job->lock >= 0) locks_[FolderOf(job->result.path)] = job->lock;
    job->done(job->result);
}

void CurlDownloader::Report(std::uint64_t id, std::int64_t now, std::int64_t total) {
    if (job_ && job_->id == id && !job_->cancelled && job_->progress) job_->progress(now, total);
}

void CurlDownloader::Cancel() {
    if (!job_) return;
    job_->cancelled = true;
    Join();
    Discard(job_->result.path);
    if (job_->lock >= 0) ::close(job_->lock);
    job_.reset();
}

void CurlDownloader::Join() {
    if (worker_.joinable()) worker_.join();
}

void CurlDownloader::Discard(const std::string& path) {
    if (path.empty()) return;
    const std::string folder = FolderOf(path);
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    if (auto lock = locks_.find(folder); lock != locks_.end()) {
        ::close(lock->second);
        locks_.erase(lock);
    }
}

void CurlDownloader::RemoveLeftovers() {
    const std::string base = TempBase();
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return;
    std::set<std::string> candidates;
    while (const dirent* e = ::readdir(dir))
        if (OurFolderName(e->d_name)) candidates.insert(e->d_name);
    if (!candidates.empty()) {
        const std::set<std::string> installing = NamedOnCommandLines();
        for (const std::string& name : candidates)
            if (!installing.count(name)) RemoveFolder(::dirfd(dir), name.c_str());
    }
    ::closedir(dir);
}

}  // namespace blenvar
