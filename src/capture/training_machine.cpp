#include "capture/training_machine.h"

#include "capture/key_to_char.h"

namespace blenvar {

namespace {

constexpr std::size_t kKeptEvents = 50000;

TrainedKey ToTrained(const KeyEvent& e) {
    return {Nearest16(e.Action), Nearest16(e.State), Nearest16(e.VCode), Nearest16(e.SCode)};
}

// Shift, Ctrl, Alt (generic and left/right codes) and the Windows keys.
bool IsModifier(std::int32_t vcode) {
    return (vcode >= 16 && vcode <= 18) || vcode == 91 || vcode == 92 ||
           (vcode >= 160 && vcode <= 165);
}

}  // namespace

void TrainingMachine::Begin(std::uint64_t quietMs) {
    training_ = true;
    quietMs_ = quietMs;
    events_.clear();
    recorded_ = 0;
    first_.reset();
    last_.reset();
    waitingForNonModifier_ = false;
    device_.clear();
    sample_.clear();
    mixedDevices_ = false;
}

TrainingStep TrainingMachine::OnKey(const KeyEvent& event) {
    TrainingStep step;
    if (!training_) {
        step.result = kPassKey;
        return step;
    }
    ++recorded_;
    lastMs_ = event.timeMs;
    // A held key repeating for minutes must not take all memory.
    if (events_.size() < kKeptEvents) events_.push_back(event);
    if (recorded_ == 1) device_ = event.device;
    if (event.device != device_) mixedDevices_ = true;
    // A sample that begins with Shift (a capital first letter) must not make every Shift
    // open a scan: its first real key press is the start event instead.
    if (recorded_ == 1 && event.Action == kActionPress && IsModifier(event.VCode))
        waitingForNonModifier_ = true;
    else if (recorded_ == 1)
        first_ = ToTrained(event);
    else if (waitingForNonModifier_ && event.Action == kActionPress && !IsModifier(event.VCode)) {
        first_ = ToTrained(event);
        waitingForNonModifier_ = false;
    }
    last_ = ToTrained(event);
    if (event.Action == kActionCharacter && (event.State == 0 || event.State == 1) &&
        event.VCode >= 0 && event.VCode <= 0xFFFF)
        sample_ += KeyToChar(static_cast<std::uint8_t>(event.State),
                             static_cast<std::uint16_t>(event.VCode));
    step.recorded = recorded_;
    step.characters = static_cast<int>(sample_.size());
    step.deadline = lastMs_ + quietMs_;
    return step;
}

std::optional<TrainingOutcome> TrainingMachine::Tick(std::uint64_t nowMs) {
    if (!training_ || recorded_ == 0 || nowMs < lastMs_ + quietMs_) return std::nullopt;
    return Finish();
}

TrainingOutcome TrainingMachine::Finish() {
    training_ = false;
    TrainingOutcome outcome;
    outcome.device = device_;
    outcome.mixedDevices = mixedDevices_;
    outcome.sample = sample_;
    outcome.events = std::move(events_);
    events_.clear();
    if (first_ && last_) {
        outcome.start = first_;
        outcome.stop = last_;
    }
    return outcome;
}

}  // namespace blenvar
