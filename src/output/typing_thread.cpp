#include "output/typing_thread.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace blenvar {

struct TypingThread::Shared {
    Post post;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<std::vector<KeyAction>, Failed>> queue;
    bool stopping = false;
    // Failures waiting for the owner's thread; dropped from it once the owner is gone.
    std::deque<std::pair<Failed, std::string>> failures;
    bool ownerGone = false;

    void Report() {
        for (;;) {
            std::pair<Failed, std::string> next;
            {
                std::lock_guard lock(mutex);
                if (ownerGone || failures.empty()) return;
                next = std::move(failures.front());
                failures.pop_front();
            }
            if (next.first) next.first(next.second);
        }
    }
};

TypingThread::TypingThread(std::function<std::unique_ptr<KeySender>()> make, Post post)
    : shared_(std::make_shared<Shared>()) {
    shared_->post = std::move(post);
    thread_ = std::thread([this, make = std::move(make)] { Run(make); });
}

TypingThread::~TypingThread() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
    }
    shared_->wake.notify_all();
    thread_.join();
    shared_->Report();
    std::lock_guard lock(shared_->mutex);
    shared_->ownerGone = true;
}

void TypingThread::Type(std::vector<KeyAction> actions, Failed failed) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->queue.emplace_back(std::move(actions), std::move(failed));
    }
    shared_->wake.notify_all();
}

void TypingThread::Run(std::function<std::unique_ptr<KeySender>()> make) {
    std::unique_ptr<KeySender> sender = make();
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    for (;;) {
        const auto due = sender->NextRestoreDeadline();
        const auto ready = [&] { return s.stopping || !s.queue.empty(); };
        if (due)
            s.wake.wait_until(lock, *due, ready);
        else
            s.wake.wait(lock, ready);
        if (s.queue.empty()) {
            if (s.stopping) break;
            lock.unlock();
            sender->RestoreDue(std::chrono::steady_clock::now());
            lock.lock();
            continue;
        }
        auto [actions, failed] = std::move(s.queue.front());
        s.queue.pop_front();
        lock.unlock();
        std::string error;
        const bool ok = sender->Send(actions, error);
        if (!ok) {
            {
                std::lock_guard hold(s.mutex);
                s.failures.emplace_back(std::move(failed), error);
            }
            s.post([shared = shared_] { shared->Report(); });
        }
        lock.lock();
    }
    lock.unlock();
    sender.reset();  // its own clean-up runs on the thread that used it
}

}  // namespace blenvar
