#pragma once
// Capture and training for every backend: the two machines, their deadlines, when the
// whole keyboard is held and what the tray shows. Everything is decided at once, on the
// caller's thread, and told through Reports from inside the call that caused it; the
// caller runs Tick() when Deadline() passes. Not locked: the caller serializes its calls.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "capture/capture_backend.h"
#include "capture/capture_machine.h"
#include "capture/training_machine.h"

namespace blenvar {

class CaptureCoordinator {
  public:
    // Unset reports are skipped.
    struct Reports {
        // The whole keyboard: held while a scan is open outside scanner mode, and while
        // training; the backend's HoldKeyboard.
        std::function<void(bool held)> hold;
        std::function<void(int image)> tray;
        std::function<void()> scanOpened;
        std::function<void(const std::string& raw)> scanClosed;
        // Key events and characters of the sample so far, after each of its events.
        std::function<void(int events, int characters)> trainingRecorded;
        // Capture runs again, with the new keys when the outcome is good.
        std::function<void(const TrainingOutcome& outcome)> trainingFinished;
    };

    explicit CaptureCoordinator(Reports reports) : reports_(std::move(reports)) {}

    void SetKeys(const TrainedKey& start, const TrainedKey& stop) { machine_.SetKeys(start, stop); }
    // CaptureMachine::SetTranslator.
    void SetTranslator(std::shared_ptr<ScanTranslator> translator) {
        machine_.SetTranslator(std::move(translator));
    }
    // CaptureMachine::SetScannerMode; an open scan lets go of the keyboard in scanner mode.
    void SetScannerMode(bool on, std::uint64_t gapMs);
    // An open scan is abandoned: training owns the keys now.
    // Training ends `quietMs` after the sample's last key.
    void StartTraining(std::uint64_t quietMs = kTrainingQuietMs);
    // "Stop": ends training as the quiet timer would.
    void StopTraining();
    bool Training() const { return training_.Training(); }
    // Nothing open, nothing held, no deadline; the keys and the mode stay.
    void Reset();

    int OnKey(const KeyEvent& event);
    // The deadline's time came (or `nowMs` is early, which changes nothing): closes what is
    // due and returns the next deadline.
    std::optional<std::uint64_t> Tick(std::uint64_t nowMs);
    std::optional<std::uint64_t> Deadline() const {
        return training_.Training() ? trainingDeadline_ : deadline_;
    }
    // The open scan's device went away or every device was released: what it sent so far
    // is the scan. A training sample is left to the caller.
    void CloseScan();
    // Some of the open scan's keys were lost: it is read to its end as usual, so none of
    // its keys reach a program, and then dropped instead of delivered.
    void DamageScan();
    void Cut(ScanCut cut) {
        if (cut == ScanCut::Close) CloseScan();
        if (cut == ScanCut::Damaged) DamageScan();
    }

  private:
    void Apply(const CaptureStep& step);
    void Finish(const TrainingOutcome& outcome);
    void Hold(bool hold);
    void Tray(int image);

    Reports reports_;
    CaptureMachine machine_;
    TrainingMachine training_;
    std::optional<std::uint64_t> deadline_;
    std::optional<std::uint64_t> trainingDeadline_;
    bool scannerMode_ = false;
    bool held_ = false;
    bool damaged_ = false;
};

}  // namespace blenvar
