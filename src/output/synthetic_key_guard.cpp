#include "output/synthetic_key_guard.h"

namespace blenvar {

void SyntheticKeyGuard::BeginTyping() {
    std::lock_guard lock(mutex_);
    ++typing_;
}

void SyntheticKeyGuard::EndTyping(std::uint32_t firstServerTime, std::uint32_t lastServerTime) {
    std::lock_guard lock(mutex_);
    if (typing_ > 0) --typing_;
    spans_[next_] = Span{firstServerTime, lastServerTime - firstServerTime, true};
    next_ = (next_ + 1) % kSpans;
}

bool SyntheticKeyGuard::Typing() const {
    std::lock_guard lock(mutex_);
    return typing_ > 0;
}

bool SyntheticKeyGuard::IsSynthetic(std::uint32_t serverTime) const {
    std::lock_guard lock(mutex_);
    for (const Span& span : spans_) {
        if (span.used && std::uint32_t(serverTime - span.first) <= span.length) return true;
    }
    return false;
}

}  // namespace blenvar
