#pragma once
// "Send to a server": messages are committed to the outbox on the caller's thread (a
// moment's disk write), then sent by a thread of their own, so a server that never
// answers holds up no scan. Only the process holding the outbox's lock sends; the others
// only add, and take the lock over when its holder ends. The sender sleeps until woken
// (see OutboxWaker): with nothing to send it never wakes.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "components/outbox/outbox.h"
#include "core/services.h"

namespace blenvar {

struct ServerOutboxSetup {
    std::string database;  // the SQLite file
    std::string lockFile;
    std::function<std::int64_t()> nowMs;  // wall clock
    // Runs on the sending thread after each answer and when any program wrote to the
    // outbox (an add, a retry or drop, another sender's answer): the moment to count again.
    std::function<void()> changed = {};
    // The longest sleep while a message waits out its pause (-1: the pause itself); for
    // clocks that run faster than the wall.
    int longestPauseMs = -1;
};

class ServerOutbox {
  public:
    // Without a transport nothing is sent from this process: it only adds.
    ServerOutbox(ServerOutboxSetup setup, ServerTransport* transport);
    // Stops after the request in flight.
    ~ServerOutbox();
    ServerOutbox(const ServerOutbox&) = delete;
    ServerOutbox& operator=(const ServerOutbox&) = delete;

    // False with `error` set when the outbox cannot be opened.
    bool Ok(std::string& error) const;
    // Commits the message and wakes the sender. False with `error` when not committed.
    bool Add(const ServerRequest& request, std::string& error, const OutboxLabel& label = {});
    int Waiting();
    // "3 scans waiting to be sent to host:port." for the tray and the status line; empty
    // when none waits.
    std::string WaitingNote();
    // Waits at most `timeoutMs` until nothing is due now (what is left waits out a pause
    // or was refused) or, with `throughPauses`, until all that is left was refused; true
    // when so. Without the lock there is nothing to wait for.
    bool WaitIdle(int timeoutMs, bool throughPauses = false);
    Outbox& Store() { return adder_; }
    // After a Retry or Drop on Store().
    void Wake();
    // Replaces the setup's `changed`; once it returns, the one replaced is not running.
    void OnChanged(std::function<void()> changed);

  private:
    void Run();
    void Changed();

    ServerOutboxSetup setup_;
    ServerTransport* transport_;
    Outbox adder_;
    std::string openError_;
    std::mutex lock_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::uint64_t wakes_ = 0;
    std::uint64_t handled_ = 0;
    bool idle_ = false;
    bool pausing_ = false;  // a message waits out a pause
    OutboxWaker waker_;
    std::mutex changedLock_;  // held while `changed` runs
    std::thread thread_;
};

}  // namespace blenvar
