#include "shell/main/capture_controller.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace blenvar {

std::uint64_t MonotonicMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TraceCapture(const char* what) {
    static const bool on = std::getenv("BLENVAR_TRACE_CAPTURE") != nullptr;
    if (!on) return;
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    std::fprintf(stderr, "blenvar-trace: %s %lld\n", what, static_cast<long long>(us));
}

CaptureController::CaptureController(CaptureBackend& backend, TrayImage& tray, Clock clock,
                                     QObject* parent)
    : CaptureDriver(parent), backend_(backend), tray_(tray), clock_(std::move(clock)) {
    timer_.setObjectName("CaptureDeadline");
    timer_.setSingleShot(true);
    // A coarse timer may fire early; the deadline is checked again, but late is what costs.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CaptureController::OnTimer);
}

KeyCallback CaptureController::CaptureCallback() {
    return [this](const KeyEvent& event) { return OnCaptureKey(event); };
}

void CaptureController::UseKeys(const TrainedKey& start, const TrainedKey& stop) {
    start_ = start;
    stop_ = stop;
    machine_.SetKeys(start, stop);
    WatchStart();
}

void CaptureController::WatchStart() {
    // An untrained key watches nothing: the scanner device itself opens scans.
    const std::string refused = backend_.WatchStartKey(scannerMode_ ? TrainedKey{} : start_);
    if (!refused.empty()) emit startKeyRefused(QString::fromStdString(refused));
}

std::string CaptureController::UseScanner(const std::optional<ScannerId>& scanner,
                                          std::uint64_t gapMs) {
    // A backend that cannot take the scanner alone says why and captures as in All mode.
    const std::string problem = backend_.UseScanner(scanner);
    const bool was = scannerMode_;
    scannerMode_ = scanner && problem.empty();
    machine_.SetScannerMode(scannerMode_, gapMs);
    if (!training_.Training()) Hold(machine_.Scanning() && !scannerMode_);
    if (scannerMode_ != was) WatchStart();
    return problem;
}

int CaptureController::OnCaptureKey(const KeyEvent& event) {
    // The deadline is measured by the clock that also runs the timer enforcing it.
    KeyEvent stamped = event;
    stamped.timeMs = clock_();
    const CaptureStep step = machine_.OnKey(stamped);
    Apply(step);
    return step.result;
}

void CaptureController::Apply(const CaptureStep& step) {
    // The grab follows the machine first: the keys after an opening one must not leak.
    Hold(machine_.Scanning() && !scannerMode_);
    Schedule(step.deadline);
    if (step.scan) {
        if (step.trayImage != kTrayScanOpen) tray_.SetTrayImage(kTrayScanWaiting);
        emit scanCaptured(QString::fromStdString(*step.scan));
    }
    if (step.trayImage == kTrayScanOpen) {
        TraceCapture("scan opened");
        tray_.SetTrayImage(kTrayScanOpen);
        emit scanOpened();
    }
}

void CaptureController::StartTraining() {
    RemoveHook(backend_);
    // An open scan is abandoned: training owns the keyboard now.
    machine_.Reset();
    Schedule(std::nullopt);
    training_.Begin();
    InstallHook(backend_, [this](const KeyEvent& event) { return OnTrainingKey(event); });
    Hold(true);
    tray_.SetTrayImage(kTrayIdle);
}

int CaptureController::OnTrainingKey(const KeyEvent& event) {
    KeyEvent stamped = event;
    stamped.timeMs = clock_();
    const TrainingStep step = training_.OnKey(stamped);
    if (step.deadline) {
        trainingDeadline_ = *step.deadline;
        Schedule(step.deadline);
    }
    if (step.recorded > 0) emit trainingRecorded(step.recorded);
    return step.result;
}

void CaptureController::StopTraining() {
    if (training_.Training()) FinishTraining(training_.Finish());
}

void CaptureController::FinishTraining(const TrainingOutcome& outcome) {
    Schedule(std::nullopt);
    RemoveHook(backend_);
    Hold(false);
    InstallHook(backend_, CaptureCallback());
    tray_.SetTrayImage(kTrayIdle);
    if (outcome.Good()) {
        trainedDevice_ = backend_.ScannerTextOf(outcome.device);
        UseKeys(*outcome.start, *outcome.stop);
    }
    emit trainingFinished(outcome);
}

void CaptureController::OnTimer() {
    const std::uint64_t now = clock_();
    if (training_.Training()) {
        if (const auto outcome = training_.Tick(now))
            FinishTraining(*outcome);
        else
            Schedule(trainingDeadline_);
        return;
    }
    Apply(machine_.Tick(now));
}

void CaptureController::Notice(const std::string& message, bool scanBroken) {
    emit notice(QString::fromStdString(message));
    if (scanBroken && !training_.Training() && machine_.Scanning())
        Apply(machine_.Tick(UINT64_MAX));
}

void CaptureController::Stop() {
    Schedule(std::nullopt);
    Hold(false);
}

void CaptureController::Hold(bool hold) {
    if (hold == held_) return;
    held_ = hold;
    backend_.HoldKeyboard(hold);
}

void CaptureController::Schedule(std::optional<std::uint64_t> deadline) {
    if (!deadline) {
        timer_.stop();
        return;
    }
    const std::uint64_t now = clock_();
    timer_.start(*deadline > now ? static_cast<int>(*deadline - now) : 0);
}

}  // namespace blenvar
