#include "app/timed_key_sender.h"

#include <algorithm>
#include <chrono>

namespace blenvar {

TimedKeySender::TimedKeySender(SyntheticKeyGuard* guard) : sender_(guard) {
    restore_.setSingleShot(true);
    QObject::connect(&restore_, &QTimer::timeout, [this] {
        sender_.RestoreDue(std::chrono::steady_clock::now());
        Schedule();
    });
}

bool TimedKeySender::Send(const std::vector<KeyAction>& actions, std::string& error) {
    const bool ok = sender_.Send(actions, error);
    Schedule();
    return ok;
}

void TimedKeySender::Schedule() {
    const auto due = sender_.NextRestoreDeadline();
    if (!due) {
        restore_.stop();
        return;
    }
    using namespace std::chrono;
    const auto wait = duration_cast<milliseconds>(*due - steady_clock::now()).count();
    restore_.start(static_cast<int>(std::clamp<long long>(wait + 1, 0, 60'000)));
}

}  // namespace blenvar
