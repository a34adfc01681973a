#include "capture/capture_coordinator.h"

#include <utility>

namespace blenvar {

void CaptureCoordinator::SetScannerMode(bool on, std::uint64_t gapMs) {
    scannerMode_ = on;
    machine_.SetScannerMode(on, gapMs);
    if (!training_.Training()) Hold(machine_.Scanning() && !scannerMode_);
}

void CaptureCoordinator::StartTraining(std::uint64_t quietMs) {
    // The keyboard stays held from an open scan into training: no key slips out between.
    machine_.Reset();
    damaged_ = false;
    deadline_.reset();
    training_.Begin(quietMs);
    trainingDeadline_.reset();
    Hold(true);
    Tray(kTrayIdle);
}

void CaptureCoordinator::StopTraining() {
    if (training_.Training()) Finish(training_.Finish());
}

void CaptureCoordinator::Reset() {
    machine_.Reset();
    damaged_ = false;
    training_ = TrainingMachine{};
    deadline_.reset();
    trainingDeadline_.reset();
    Hold(false);
}

void CaptureCoordinator::Hold(bool hold) {
    if (hold == held_) return;
    held_ = hold;
    if (reports_.hold) reports_.hold(hold);
}

void CaptureCoordinator::Tray(int image) {
    if (reports_.tray) reports_.tray(image);
}

void CaptureCoordinator::Apply(const CaptureStep& step) {
    // The hold follows the machine first: the keys after an opening one must not leak.
    Hold(machine_.Scanning() && !scannerMode_);
    deadline_ = step.deadline;
    const bool opened = step.trayImage == kTrayScanOpen;
    if (step.scan) {
        const bool damaged = std::exchange(damaged_, false);
        if (!damaged && reports_.scanClosed) reports_.scanClosed(*step.scan);
        // Nothing is delivered after a damaged scan to set the tray back.
        if (!opened) Tray(damaged ? kTrayIdle : kTrayScanWaiting);
    }
    if (opened) {
        if (reports_.scanOpened) reports_.scanOpened();
        Tray(kTrayScanOpen);
    }
}

void CaptureCoordinator::Finish(const TrainingOutcome& outcome) {
    trainingDeadline_.reset();
    if (outcome.Good()) SetKeys(*outcome.start, *outcome.stop);
    Hold(false);
    Tray(kTrayIdle);
    if (reports_.trainingFinished) reports_.trainingFinished(outcome);
}

int CaptureCoordinator::OnKey(const KeyEvent& event) {
    if (training_.Training()) {
        const TrainingStep step = training_.OnKey(event);
        if (step.deadline) trainingDeadline_ = step.deadline;
        if (step.recorded > 0 && reports_.trainingRecorded)
            reports_.trainingRecorded(step.recorded, step.characters);
        return step.result;
    }
    const CaptureStep step = machine_.OnKey(event);
    Apply(step);
    return step.result;
}

std::optional<std::uint64_t> CaptureCoordinator::Tick(std::uint64_t nowMs) {
    if (training_.Training()) {
        if (trainingDeadline_ && nowMs >= *trainingDeadline_) {
            if (const auto outcome = training_.Tick(nowMs)) Finish(*outcome);
        }
    } else if (deadline_ && nowMs >= *deadline_) {
        Apply(machine_.Tick(nowMs));
    }
    return Deadline();
}

void CaptureCoordinator::CloseScan() {
    if (!training_.Training() && machine_.Scanning()) Apply(machine_.Tick(UINT64_MAX));
}

void CaptureCoordinator::DamageScan() {
    if (!training_.Training() && machine_.Scanning()) damaged_ = true;
}

}  // namespace blenvar
