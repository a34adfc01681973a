#pragma once
// Types on a thread of its own, one delivery after another in the order they came, so no
// wait of the key sender ever holds the caller's event loop (where key events arrive).
#include <deque>
#include <functional>
#include <memory>
#include <thread>

#include "output/key_sender.h"

namespace blenvar {

class TypingThread : public TypingQueue {
  public:
    // Runs a function later on the owner's thread (its event loop).
    using Post = std::function<void(std::function<void()>)>;

    // `make` builds the key sender on the typing thread, which alone uses it.
    TypingThread(std::function<std::unique_ptr<KeySender>()> make, Post post);
    // Types what is queued first, then reports its failures before returning.
    ~TypingThread() override;
    TypingThread(const TypingThread&) = delete;
    TypingThread& operator=(const TypingThread&) = delete;

    void Type(std::vector<KeyAction> actions, Failed failed) override;

  private:
    struct Shared;
    void Run(std::function<std::unique_ptr<KeySender>()> make);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace blenvar
