#include "components/outbox/outbox.h"

#include <fcntl.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/server_secrets.h"

namespace blenvar {
namespace {

constexpr std::int64_t kFirstPauseMs = 1000;
constexpr std::int64_t kLongestPauseMs = 5 * 60 * 1000;
// Without inotify (its instances used up) the sender looks at the outbox this often.
constexpr int kBlindLookMs = 1000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS message(
    seq      INTEGER PRIMARY KEY AUTOINCREMENT,
    server   TEXT NOT NULL,
    address  TEXT NOT NULL,
    body     BLOB NOT NULL,
    id       TEXT NOT NULL,
    added    INTEGER NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    next_try INTEGER NOT NULL DEFAULT 0,
    failed   INTEGER NOT NULL DEFAULT 0,
    answer   TEXT NOT NULL DEFAULT '',
    certificate TEXT NOT NULL DEFAULT '',
    type     TEXT NOT NULL DEFAULT '',
    code     TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS message_order ON message(server, failed, seq);
)sql";

// A statement for one use, reset and finalized when it goes.
class Stmt {
  public:
    Stmt(sqlite3* db, const char* sql) {
        if (db) sqlite3_prepare_v2(db, sql, -1, &s_, nullptr);
    }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt& Int(int i, std::int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    Stmt& Text(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& Blob(int i, const std::string& v) {
        sqlite3_bind_blob(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    bool Row() { return s_ && sqlite3_step(s_) == SQLITE_ROW; }
    bool Done() { return s_ && sqlite3_step(s_) == SQLITE_DONE; }
    std::int64_t ColInt(int i) { return sqlite3_column_int64(s_, i); }
    std::string ColText(int i) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(s_, i));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, i)))
                 : std::string();
    }

  private:
    sqlite3_stmt* s_ = nullptr;
};

constexpr const char* kItemColumns =
    "seq, address, body, id, attempts, next_try, failed, answer, certificate, type, code, "
    "added";

OutboxItem ReadItem(Stmt& q) {
    OutboxItem item;
    item.seq = q.ColInt(0);
    item.request = {q.ColText(1), q.ColText(2), q.ColText(3), q.ColText(8)};
    item.attempts = static_cast<int>(q.ColInt(4));
    item.nextTryMs = q.ColInt(5);
    item.failed = q.ColInt(6) != 0;
    item.answer = q.ColText(7);
    item.label = {q.ColText(9), q.ColText(10)};
    item.addedMs = q.ColInt(11);
    return item;
}

}  // namespace

std::int64_t RetryPauseMs(int failures) {
    if (failures <= 0) return 0;
    std::int64_t pause = kFirstPauseMs;
    for (int i = 1; i < failures && pause < kLongestPauseMs; ++i) pause *= 2;
    return std::min(pause, kLongestPauseMs);
}

std::string ServerName(const std::string& address) {
    const std::size_t sep = address.find("://");
    const std::size_t start = sep == std::string::npos ? 0 : sep + 3;
    std::string server = address.substr(start, address.find_first_of("/?#", start) - start);
    return server.erase(0, server.rfind('@') + 1);
}

Outbox::~Outbox() {
    sqlite3_close_v2(db_);
}

bool Outbox::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Outbox::Open(const std::string& path, std::string& error) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    path_ = path;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        error = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    // Another program adding or sending holds the write lock only for a moment. A commit
    // is on disk when it returns (synchronous FULL): a scan counts as delivered after it.
    sqlite3_busy_timeout(db_, 5000);
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;") || !Exec(kSchema)) {
        error = sqlite3_errmsg(db_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    // An outbox made before messages named a certificate or carried their labels; an
    // error says it has the column.
    Exec("ALTER TABLE message ADD COLUMN certificate TEXT NOT NULL DEFAULT ''");
    Exec("ALTER TABLE message ADD COLUMN type TEXT NOT NULL DEFAULT ''");
    Exec("ALTER TABLE message ADD COLUMN code TEXT NOT NULL DEFAULT ''");
    return true;
}

void Outbox::Told() {
    ::utimensat(AT_FDCWD, path_.c_str(), nullptr, 0);
}

void Outbox::SyncEachCommit(bool on) {
    Exec(on ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
}

bool Outbox::Add(const ServerRequest& request, std::int64_t nowMs, std::string& error,
                 const OutboxLabel& label) {
    Stmt q(db_,
           "INSERT INTO message(server, address, body, id, added, certificate, type, code) "
           "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    q.Text(1, ServerKey(request.address))
        .Text(2, request.address)
        .Blob(3, request.body)
        .Text(4, request.id)
        .Int(5, nowMs)
        .Text(6, request.certificate)
        .Text(7, label.type)
        .Text(8, label.code);
    if (q.Done()) {
        Told();
        return true;
    }
    error = db_ ? sqlite3_errmsg(db_) : "the outbox is not open";
    return false;
}

std::vector<OutboxItem> Outbox::Due(std::int64_t nowMs) {
    const std::string sql = std::string("SELECT ") + kItemColumns +
                            " FROM message WHERE seq IN (SELECT MIN(seq) FROM message WHERE "
                            "failed = 0 GROUP BY server) AND next_try <= ?1 ORDER BY seq";
    Stmt q(db_, sql.c_str());
    q.Int(1, nowMs);
    std::vector<OutboxItem> due;
    while (q.Row()) due.push_back(ReadItem(q));
    return due;
}

std::optional<std::int64_t> Outbox::NextTryMs() {
    Stmt q(db_, "SELECT MIN(next_try) FROM message WHERE failed = 0");
    if (!q.Row() || q.ColText(0).empty()) return std::nullopt;
    return q.ColInt(0);
}

void Outbox::Record(std::int64_t seq, const ServerAnswer& answer, std::int64_t nowMs) {
    Write(seq, answer, nowMs);
    Told();
}

void Outbox::Write(std::int64_t seq, const ServerAnswer& answer, std::int64_t nowMs) {
    if (answer.kind == ServerAnswer::Kind::Accepted) {
        Stmt(db_, "DELETE FROM message WHERE seq = ?1").Int(1, seq).Done();
        return;
    }
    if (answer.kind == ServerAnswer::Kind::Refused) {
        Stmt(db_,
             "UPDATE message SET failed = 1, attempts = attempts + 1, answer = ?2 "
             "WHERE seq = ?1")
            .Int(1, seq)
            .Text(2, answer.text)
            .Done();
        return;
    }
    int attempts = 0;
    {
        Stmt q(db_, "SELECT attempts FROM message WHERE seq = ?1");
        q.Int(1, seq);
        if (!q.Row()) return;
        attempts = static_cast<int>(q.ColInt(0)) + 1;
    }
    Stmt(db_, "UPDATE message SET attempts = ?2, next_try = ?3, answer = ?4 WHERE seq = ?1")
        .Int(1, seq)
        .Int(2, attempts)
        .Int(3, nowMs + RetryPauseMs(attempts))
        .Text(4, answer.text)
        .Done();
}

std::vector<OutboxItem> Outbox::List(int limit) {
    const std::string sql =
        std::string("SELECT ") + kItemColumns + " FROM message ORDER BY seq LIMIT ?1";
    Stmt q(db_, sql.c_str());
    q.Int(1, limit);
    std::vector<OutboxItem> all;
    while (q.Row()) all.push_back(ReadItem(q));
    return all;
}

int Outbox::Waiting() {
    Stmt q(db_, "SELECT COUNT(*) FROM message");
    return q.Row() ? static_cast<int>(q.ColInt(0)) : 0;
}

bool Outbox::Retry(std::int64_t seq) {
    const bool done = Stmt(db_, "UPDATE message SET failed = 0, next_try = 0 WHERE seq = ?1")
                          .Int(1, seq)
                          .Done() &&
                      sqlite3_changes(db_) == 1;
    if (done) Told();
    return done;
}

bool Outbox::Drop(std::int64_t seq) {
    const bool done = Stmt(db_, "DELETE FROM message WHERE seq = ?1").Int(1, seq).Done() &&
                      sqlite3_changes(db_) == 1;
    if (done) Told();
    return done;
}

OutboxLock::~OutboxLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutboxLock::TryTake(const std::string& path) {
    if (held_) return true;
    if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

OutboxWaker::~OutboxWaker() {
    if (wake_ >= 0) ::close(wake_);
    if (notify_ >= 0) ::close(notify_);
}

void OutboxWaker::Open(const std::string& database, const std::string& lockFile) {
    database_ = NameOf(database);
    lock_ = NameOf(lockFile);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    notify_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    constexpr std::uint32_t kMask = IN_ATTRIB | IN_CLOSE_WRITE;
    blind_ = wake_ < 0 || notify_ < 0 ||
             ::inotify_add_watch(notify_, FolderOf(database).c_str(), kMask) < 0 ||
             ::inotify_add_watch(notify_, FolderOf(lockFile).c_str(), kMask) < 0;
}

OutboxWaker::Woken OutboxWaker::Sleep(int timeoutMs) {
    if (blind_ && (timeoutMs < 0 || timeoutMs > kBlindLookMs)) timeoutMs = kBlindLookMs;
    pollfd fds[] = {{wake_, POLLIN, 0}, {notify_, POLLIN, 0}};
    int ready;
    while ((ready = ::poll(fds, 2, timeoutMs)) < 0 && errno == EINTR) {
    }
    std::uint64_t count;
    while (::read(wake_, &count, sizeof count) > 0) {
    }
    Woken woken{blind_ && ready == 0, false};
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(notify_, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (!e->len) continue;
            if ((e->mask & IN_ATTRIB) && database_ == e->name) woken.written = true;
            if ((e->mask & IN_CLOSE_WRITE) && lock_ == e->name) woken.lockClosed = true;
        }
    }
    return woken;
}

void OutboxWaker::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

}  // namespace blenvar
