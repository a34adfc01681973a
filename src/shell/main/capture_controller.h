#pragma once
// Runs capture and training on the program's event loop: feeds the backend's key events
// to the state machines, holds the keyboard while a scan or training is open, and keeps
// one single-shot timer at the machine's next deadline so a scan closes on time even
// when no key follows.
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "capture/capture_backend.h"
#include "capture/capture_machine.h"
#include "capture/training_machine.h"
#include "core/services.h"
#include "shell/main/capture_driver.h"

namespace blenvar {

// Milliseconds of the monotonic clock the backends stamp their events with.
std::uint64_t MonotonicMs();
// With BLENVAR_TRACE_CAPTURE set, prints "blenvar-trace: WHAT MICROSECONDS" (monotonic) on
// stderr, so a benchmark can time a scan's steps from outside.
void TraceCapture(const char* what);

class CaptureController : public CaptureDriver {
    Q_OBJECT
  public:
    using Clock = std::function<std::uint64_t()>;
    CaptureController(CaptureBackend& backend, TrayImage& tray, Clock clock = MonotonicMs,
                      QObject* parent = nullptr);

    KeyCallback CaptureCallback() override;
    // startKeyRefused says when the start key cannot be watched (another program holds it).
    void UseKeys(const TrainedKey& start, const TrainedKey& stop) override;
    // The keyboard is never held for a scan in scanner mode: only the scanner is grabbed.
    std::string UseScanner(const std::optional<ScannerId>& scanner, std::uint64_t gapMs) override;
    // Capture's callback makes way for training's; the whole keyboard is held.
    void StartTraining() override;
    void StopTraining() override;
    bool Training() const override { return training_.Training(); }
    void Stop() override;
    // The backend's word that a device came, went or is held by another program, for the
    // status line. `scanBroken`: the scan's device is gone, so what it sent is the scan.
    void Notice(const std::string& message, bool scanBroken);

  private:
    int OnCaptureKey(const KeyEvent& event);
    int OnTrainingKey(const KeyEvent& event);
    void OnTimer();
    void Apply(const CaptureStep& step);
    void FinishTraining(const TrainingOutcome& outcome);
    void Hold(bool hold);
    // The start key opens scans only outside scanner mode.
    void WatchStart();
    void Schedule(std::optional<std::uint64_t> deadline);

    CaptureBackend& backend_;
    TrayImage& tray_;
    Clock clock_;
    CaptureMachine machine_;
    TrainingMachine training_;
    TrainedKey start_;
    TrainedKey stop_;
    QTimer timer_{this};  // a child, so a test can find it
    std::uint64_t trainingDeadline_ = 0;
    bool held_ = false;
    bool scannerMode_ = false;
};

}  // namespace blenvar
