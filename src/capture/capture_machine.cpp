#include "capture/capture_machine.h"

#include <algorithm>
#include <limits>

#include "capture/key_to_char.h"

namespace blenvar {

namespace {

std::int16_t Nearest16(int v) {
    return static_cast<std::int16_t>(std::clamp<int>(v, std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

constexpr int kPress = 1;
constexpr int kRelease = 2;
constexpr int kCharacter = 4;

bool SameKey(const KeyEvent& e, const TrainedKey& k) {
    return e.State == k.State && e.VCode == k.VCode && e.SCode == k.SCode;
}

bool SameEvent(const KeyEvent& e, const TrainedKey& k) {
    return e.Action == k.Action && SameKey(e, k);
}

}  // namespace

void CaptureMachine::SetKeys(const TrainedKey& start, const TrainedKey& stop) {
    start_ = start;
    stop_ = stop;
}

bool CaptureMachine::OpensScan(const KeyEvent& event) const {
    // A start event trained from a later event of its keystroke opens on the press, so
    // the keystroke's character is collected and none of its events reach the window.
    if (event.Action == kPress && (start_.Action == kCharacter || start_.Action == kRelease))
        return SameKey(event, start_);
    return SameEvent(event, start_);
}

CaptureStep CaptureMachine::Close() {
    scanning_ = false;
    CaptureStep step;
    step.trayImage = kTrayScanWaiting;
    step.scan = std::move(raw_);
    raw_.clear();
    return step;
}

CaptureStep CaptureMachine::Tick(std::uint64_t nowMs) {
    if (!scanning_) return {};
    if (nowMs >= deadline_) return Close();
    CaptureStep step;
    step.deadline = deadline_;
    return step;
}

CaptureStep CaptureMachine::OnKey(const KeyEvent& event) {
    CaptureStep step;
    // A late timer must not let the scan swallow a key that came after its window.
    if (scanning_ && event.timeMs >= deadline_) step = Close();

    if (!scanning_) {
        if (!OpensScan(event)) return step;
        scanning_ = true;
        deadline_ = event.timeMs + kScanWindowMs;
        raw_.clear();
        step.result = kConsumeKey;
        step.trayImage = kTrayScanOpen;
        step.deadline = deadline_;
        return step;
    }

    // Every event of an open scan is consumed, the closing one included.
    if (SameEvent(event, stop_)) {
        step = Close();
        step.result = kConsumeKey;
        return step;
    }
    step.result = kConsumeKey;
    step.deadline = deadline_;
    // Other events of the stop key (its press when the release was trained) add nothing.
    // Out-of-range fields must not wrap into a typing key.
    const bool typable =
        (event.State == 0 || event.State == 1) && event.VCode >= 0 && event.VCode <= 0xFFFF;
    if (event.Action == kCharacter && typable && !SameKey(event, stop_))
        raw_ += KeyToChar(static_cast<std::uint8_t>(event.State),
                          static_cast<std::uint16_t>(event.VCode));
    return step;
}

TrainedKey ToTrainedKey(const StoredKeyEvent& s) {
    return {Nearest16(s.Action), Nearest16(s.State), Nearest16(s.VCode), Nearest16(s.SCode)};
}

StoredKeyEvent ToStoredKey(const TrainedKey& k) {
    return {k.Action, k.State, k.VCode, k.SCode};
}

}  // namespace blenvar
