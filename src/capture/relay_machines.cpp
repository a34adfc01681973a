#include "capture/relay_machines.h"

namespace blenvar {

void RelayMachines::StartTraining() {
    Reset();
    training_.Begin();
}

void RelayMachines::StopTraining() {
    if (training_.Training()) Finish(training_.Finish());
}

void RelayMachines::Reset() {
    machine_.Reset();
    training_ = TrainingMachine{};
    deadline_.reset();
    trainingDeadline_.reset();
}

void RelayMachines::Apply(const CaptureStep& step) {
    deadline_ = step.deadline;
    if (step.scan && reports_.scanClosed)
        reports_.scanClosed(*step.scan, step.trayImage == kTrayScanOpen);
    if (step.trayImage == kTrayScanOpen && reports_.scanOpened) reports_.scanOpened();
}

void RelayMachines::Finish(const TrainingOutcome& outcome) {
    trainingDeadline_.reset();
    if (outcome.Good()) SetKeys(*outcome.start, *outcome.stop);
    if (reports_.trainingFinished) reports_.trainingFinished(outcome);
}

int RelayMachines::OnKey(const KeyEvent& event) {
    if (training_.Training()) {
        const TrainingStep step = training_.OnKey(event);
        if (step.deadline) trainingDeadline_ = step.deadline;
        if (step.recorded > 0 && reports_.trainingRecorded)
            reports_.trainingRecorded(step.recorded);
        return step.result;
    }
    const CaptureStep step = machine_.OnKey(event);
    Apply(step);
    return step.result;
}

std::optional<std::uint64_t> RelayMachines::Tick(std::uint64_t nowMs) {
    if (training_.Training()) {
        if (trainingDeadline_ && nowMs >= *trainingDeadline_) {
            if (const auto outcome = training_.Tick(nowMs)) Finish(*outcome);
        }
        return trainingDeadline_;
    }
    if (deadline_ && nowMs >= *deadline_) Apply(machine_.Tick(nowMs));
    return deadline_;
}

void RelayMachines::CloseScan() {
    if (!training_.Training() && machine_.Scanning()) Apply(machine_.Tick(UINT64_MAX));
}

}  // namespace blenvar
