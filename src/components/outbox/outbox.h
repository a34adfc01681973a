#pragma once
// The outbox: every message to a server is committed here before its scan counts as
// delivered, and leaves only when the server has accepted it. Messages to one server go
// in the order they were added; a failed one waits out a growing pause, a refused one
// stays, marked failed, until the user retries or drops it. Times are passed in (wall
// clock, ms) so the rules can be tried without waiting.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/services.h"

struct sqlite3;

namespace blenvar {

// What the user recognises a waiting message by.
struct OutboxLabel {
    std::string type;
    std::string code;
};

struct OutboxItem {
    std::int64_t seq = 0;
    ServerRequest request;
    OutboxLabel label;
    std::int64_t addedMs = 0;
    int attempts = 0;
    std::int64_t nextTryMs = 0;
    bool failed = false;  // refused for good
    std::string answer;   // the last failure's words
};

// The pause after `failures` failed attempts in a row: 1 s, doubling, at most 5 min.
std::int64_t RetryPauseMs(int failures);

// The host and port alone, as the user knows the server. (Messages to one server, by its
// ServerKey, keep their order.)
std::string ServerName(const std::string& address);

// One connection; use one per thread.
class Outbox {
  public:
    Outbox() = default;
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Opens the database, creating it when missing. False with `error` set on failure.
    bool Open(const std::string& path, std::string& error);
    // Off: commits reach the disk with the next checkpoint, not each on its own. For the
    // sender: an acceptance lost with the power only means the message goes once more,
    // with its id.
    void SyncEachCommit(bool on);
    // Committed (to disk) when it returns true.
    bool Add(const ServerRequest& request, std::int64_t nowMs, std::string& error,
             const OutboxLabel& label = {});
    // For each server, its oldest message not refused, when its pause is over at `nowMs`.
    std::vector<OutboxItem> Due(std::int64_t nowMs);
    // When the next message that waits out a pause is due; none when nothing waits.
    std::optional<std::int64_t> NextTryMs();
    // What the server said to message `seq`.
    void Record(std::int64_t seq, const ServerAnswer& answer, std::int64_t nowMs);
    // The messages still in the outbox, oldest first, at most `limit` of them.
    std::vector<OutboxItem> List(int limit = -1);
    int Waiting();
    // The user's "Retry now" (also clears a refusal) and "Drop".
    bool Retry(std::int64_t seq);
    bool Drop(std::int64_t seq);

  private:
    bool Exec(const char* sql);
    void Write(std::int64_t seq, const ServerAnswer& answer, std::int64_t nowMs);
    // After each commit: the database file's time changes, which every OutboxWaker sees.
    // The log's own writes come before the commit is visible to readers.
    void Told();
    sqlite3* db_ = nullptr;
    std::string path_;
};

// Only one process sends from the outbox: the one holding this lock (a lock file beside
// it, released when the process ends, however it ends).
class OutboxLock {
  public:
    OutboxLock() = default;
    ~OutboxLock();
    OutboxLock(const OutboxLock&) = delete;
    OutboxLock& operator=(const OutboxLock&) = delete;
    // The file stays open when the lock is not had: closing it would tell every
    // OutboxWaker that the holder ended.
    bool TryTake(const std::string& path);
    bool Held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

// The sender's sleep: it ends at a Wake() from this process, when any program has written
// to the outbox (Outbox touches the database file's time after each commit; inotify sees
// that in every process), when any program closes the lock file (its holder ended), or
// at the time given. Nothing else wakes it: an empty outbox costs no wake-ups. Where
// inotify cannot be had, it looks every second instead.
class OutboxWaker {
  public:
    OutboxWaker() = default;
    ~OutboxWaker();
    OutboxWaker(const OutboxWaker&) = delete;
    OutboxWaker& operator=(const OutboxWaker&) = delete;
    void Open(const std::string& database, const std::string& lockFile);
    struct Woken {
        bool written = false;  // the outbox
        // A program closed the lock file. Its lock goes a moment after the close is seen:
        // one who wants it tries again shortly.
        bool lockClosed = false;
    };
    // Waits at most `timeoutMs` (-1: without end).
    Woken Sleep(int timeoutMs);
    // From any thread.
    void Wake();

  private:
    int wake_ = -1;    // eventfd
    int notify_ = -1;  // inotify
    bool blind_ = false;
    std::string database_;
    std::string lock_;
};

}  // namespace blenvar
