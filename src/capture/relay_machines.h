#pragma once
// Capture and training for a backend that hands its key events over on a relay thread
// (evdev): the two machines and their deadlines. Everything is decided at once, on the
// caller's thread, and told through Reports from inside the call that caused it. Not
// locked: the caller serializes its calls.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "capture/capture_machine.h"
#include "capture/training_machine.h"

namespace blenvar {

class RelayMachines {
  public:
    struct Reports {
        // A scan closed; `reopened`: the same key opened the next one (tray image 2).
        std::function<void(const std::string& raw, bool reopened)> scanClosed;
        std::function<void()> scanOpened;
        std::function<void(int events)> trainingRecorded;
        // Capture runs again, with the new keys when the outcome is good.
        std::function<void(const TrainingOutcome& outcome)> trainingFinished;
    };

    explicit RelayMachines(Reports reports) : reports_(std::move(reports)) {}

    void SetKeys(const TrainedKey& start, const TrainedKey& stop) { machine_.SetKeys(start, stop); }
    // CaptureMachine::SetScannerMode.
    void SetScannerMode(bool on, std::uint64_t gapMs) { machine_.SetScannerMode(on, gapMs); }
    // An open scan is abandoned: training owns the keys now.
    void StartTraining();
    // "Stop": ends training as the quiet timer would.
    void StopTraining();
    bool Training() const { return training_.Training(); }
    // Nothing open, no deadline; the keys and the mode stay.
    void Reset();

    int OnKey(const KeyEvent& event);
    // The relay woke at `nowMs`: closes what is due; returns the next deadline.
    std::optional<std::uint64_t> Tick(std::uint64_t nowMs);
    // The open scan's device went away or every device was released: what it sent so far
    // is the scan. A training sample is left to the caller.
    void CloseScan();

  private:
    void Apply(const CaptureStep& step);
    void Finish(const TrainingOutcome& outcome);

    Reports reports_;
    CaptureMachine machine_;
    TrainingMachine training_;
    std::optional<std::uint64_t> deadline_;
    std::optional<std::uint64_t> trainingDeadline_;
};

}  // namespace blenvar
