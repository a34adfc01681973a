#include "output/server_outbox.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <climits>

namespace blenvar {
namespace {

// After the lock file is closed: tries at 5, 10, 20 ... 160 ms for its lock to go.
constexpr int kLockTries = 6;
constexpr int kLockRetryMs = 5;

}  // namespace

ServerOutbox::ServerOutbox(ServerOutboxSetup setup, ServerTransport* transport)
    : setup_(std::move(setup)), transport_(transport) {
    if (!adder_.Open(setup_.database, openError_)) return;
    if (!transport_) return;
    waker_.Open(setup_.database, setup_.lockFile);
    thread_ = std::thread([this] { Run(); });
}

ServerOutbox::~ServerOutbox() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    cv_.notify_all();
    waker_.Wake();
    if (thread_.joinable()) thread_.join();
}

bool ServerOutbox::Ok(std::string& error) const {
    error = openError_;
    return openError_.empty();
}

bool ServerOutbox::Add(const ServerRequest& request, std::string& error, const OutboxLabel& label) {
    if (!openError_.empty()) {
        error = openError_;
        return false;
    }
    if (!adder_.Add(request, setup_.nowMs(), error, label)) return false;
    Wake();
    return true;
}

int ServerOutbox::Waiting() {
    return adder_.Waiting();
}

std::string ServerOutbox::WaitingNote() {
    const std::vector<OutboxItem> oldest = adder_.List(1);
    if (oldest.empty()) return {};
    const int n = adder_.Waiting();
    return std::to_string(n) + (n == 1 ? " scan" : " scans") + " waiting to be sent to " +
           ServerName(oldest.front().request.address) + ".";
}

void ServerOutbox::Wake() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++wakes_;
    }
    cv_.notify_all();
    waker_.Wake();
}

void ServerOutbox::OnChanged(std::function<void()> changed) {
    std::lock_guard<std::mutex> hold(changedLock_);
    setup_.changed = std::move(changed);
}

void ServerOutbox::Changed() {
    std::lock_guard<std::mutex> hold(changedLock_);
    if (setup_.changed) setup_.changed();
}

bool ServerOutbox::WaitIdle(int timeoutMs, bool throughPauses) {
    if (!thread_.joinable()) return true;
    std::unique_lock<std::mutex> hold(lock_);
    return cv_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
        return stop_ || (idle_ && handled_ == wakes_ && !(throughPauses && pausing_));
    });
}

void ServerOutbox::Run() {
    pthread_setname_np(pthread_self(), "outbox-sender");
    Outbox box;
    OutboxLock sender;
    std::string error;
    if (!box.Open(setup_.database, error)) return;
    box.SyncEachCommit(false);
    int lockTries = 0;  // left after the lock file was closed
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop_) {
        handled_ = wakes_;
        idle_ = false;
        hold.unlock();
        bool sent = false, pausing = false;
        int sleepMs = -1;
        if (sender.TryTake(setup_.lockFile)) {
            for (const OutboxItem& item : box.Due(setup_.nowMs())) {
                const ServerAnswer answer = transport_->Send(item.request);
                box.Record(item.seq, answer, setup_.nowMs());
                sent = true;
                Changed();
                std::lock_guard<std::mutex> check(lock_);
                if (stop_) break;
            }
            if (const auto next = box.NextTryMs()) {
                std::int64_t pause = std::clamp<std::int64_t>(*next - setup_.nowMs(), 0, INT_MAX);
                if (setup_.longestPauseMs >= 0)
                    pause = std::min<std::int64_t>(pause, setup_.longestPauseMs);
                sleepMs = static_cast<int>(pause);
                pausing = true;
            }
        } else if (lockTries > 0) {
            sleepMs = kLockRetryMs << (kLockTries - lockTries--);
        }
        hold.lock();
        if (sent) continue;
        idle_ = true;
        pausing_ = pausing;
        cv_.notify_all();
        if (stop_ || handled_ != wakes_) continue;
        hold.unlock();
        const OutboxWaker::Woken woken = waker_.Sleep(sleepMs);
        if (woken.written) Changed();
        if (woken.lockClosed && !sender.Held()) lockTries = kLockTries;
        hold.lock();
    }
    idle_ = true;
    cv_.notify_all();
}

}  // namespace blenvar
