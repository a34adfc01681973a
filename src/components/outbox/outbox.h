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

struct OutboxItem {
    std::int64_t seq = 0;
    ServerRequest request;
    int attempts = 0;
    std::int64_t nextTryMs = 0;
    bool failed = false;  // refused for good
    std::string answer;   // the last failure's words
};

// The pause after `failures` failed attempts in a row: 1 s, doubling, at most 5 min.
std::int64_t RetryPauseMs(int failures);

// "scheme://host:port" of an address: messages to one server keep their order.
std::string ServerOf(const std::string& address);

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
    bool Add(const ServerRequest& request, std::int64_t nowMs, std::string& error);
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
    sqlite3* db_ = nullptr;
};

// Only one process sends from the outbox: the one holding this lock (a lock file beside
// it, released when the process ends, however it ends).
class OutboxLock {
  public:
    OutboxLock() = default;
    ~OutboxLock();
    OutboxLock(const OutboxLock&) = delete;
    OutboxLock& operator=(const OutboxLock&) = delete;
    bool TryTake(const std::string& path);
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace blenvar
