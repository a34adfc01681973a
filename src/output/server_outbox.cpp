#include "output/server_outbox.h"

#include <algorithm>
#include <chrono>

namespace blenvar {

ServerOutbox::ServerOutbox(ServerOutboxSetup setup, ServerTransport* transport)
    : setup_(std::move(setup)), transport_(transport) {
    if (!adder_.Open(setup_.database, openError_)) return;
    if (transport_) thread_ = std::thread([this] { Run(); });
}

ServerOutbox::~ServerOutbox() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ServerOutbox::Ok(std::string& error) const {
    error = openError_;
    return openError_.empty();
}

bool ServerOutbox::Add(const ServerRequest& request, std::string& error) {
    if (!openError_.empty()) {
        error = openError_;
        return false;
    }
    if (!adder_.Add(request, setup_.nowMs(), error)) return false;
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
    std::string server = ServerOf(oldest.front().request.address);
    server.erase(0, server.find("://") + 3);
    server.erase(0, server.rfind('@') + 1);
    return std::to_string(n) + (n == 1 ? " scan" : " scans") + " waiting to be sent to " + server +
           ".";
}

void ServerOutbox::Wake() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++wakes_;
    }
    cv_.notify_all();
}

bool ServerOutbox::WaitIdle(int timeoutMs, bool throughPauses) {
    if (!thread_.joinable()) return true;
    std::unique_lock<std::mutex> hold(lock_);
    return cv_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
        return stop_ || (idle_ && handled_ == wakes_ && !(throughPauses && pausing_));
    });
}

void ServerOutbox::Run() {
    Outbox box;
    OutboxLock sender;
    std::string error;
    if (!box.Open(setup_.database, error)) return;
    box.SyncEachCommit(false);
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop_) {
        handled_ = wakes_;
        idle_ = false;
        hold.unlock();
        bool sent = false, pausing = false;
        std::int64_t waitMs = setup_.lookAgainMs;
        if (sender.TryTake(setup_.lockFile)) {
            for (const OutboxItem& item : box.Due(setup_.nowMs())) {
                const ServerAnswer answer = transport_->Send(item.request);
                box.Record(item.seq, answer, setup_.nowMs());
                sent = true;
                if (setup_.changed) setup_.changed();
                std::lock_guard<std::mutex> check(lock_);
                if (stop_) break;
            }
            if (const auto next = box.NextTryMs()) {
                waitMs = std::clamp<std::int64_t>(*next - setup_.nowMs(), 0, waitMs);
                pausing = true;
            }
        }
        hold.lock();
        if (sent) continue;
        idle_ = true;
        pausing_ = pausing;
        cv_.notify_all();
        cv_.wait_for(hold, std::chrono::milliseconds(waitMs),
                     [this] { return stop_ || handled_ != wakes_; });
    }
    idle_ = true;
    cv_.notify_all();
}

}  // namespace blenvar
