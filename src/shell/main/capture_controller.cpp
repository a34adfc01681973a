#include "shell/main/capture_controller.h"

#include <cstdio>
#include <cstdlib>

namespace blenvar {

void TraceCapture(const char* what) {
    static const bool on = std::getenv("BLENVAR_TRACE_CAPTURE") != nullptr;
    if (!on) return;
    std::fprintf(stderr, "blenvar-trace: %s %llu\n", what,
                 static_cast<unsigned long long>(MonotonicUs()));
}

CaptureController::CaptureController(CaptureBackend& backend, TrayImage& tray, Clock clock,
                                     QObject* parent)
    : CaptureDriver(backend, parent), clock_(std::move(clock)), coordinator_(MakeReports(tray)) {
    timer_.setObjectName("CaptureDeadline");
    timer_.setSingleShot(true);
    // A coarse timer may fire early; the deadline is checked again, but late is what costs.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this,
            [this] { Change([this](CaptureCoordinator& c) { c.Tick(clock_()); }); });
}

CaptureCoordinator::Reports CaptureController::MakeReports(TrayImage& tray) {
    CaptureCoordinator::Reports r;
    r.hold = [this](bool held) { backend_.HoldKeyboard(held); };
    r.tray = [&tray](int image) { tray.SetTrayImage(image); };
    r.scanOpened = [this] {
        TraceCapture("scan opened");
        emit scanOpened();
    };
    r.scanClosed = [this](const std::string& raw) {
        emit scanCaptured(QString::fromStdString(raw));
    };
    r.trainingRecorded = [this](int events, int characters) {
        emit trainingRecorded(events, characters);
    };
    r.trainingFinished = [this](const TrainingOutcome& outcome) { TrainingFinished(outcome); };
    return r;
}

KeyCallback CaptureController::CaptureCallback() {
    return [this](const KeyEvent& event) {
        // The deadline is measured by the clock that also runs the timer enforcing it.
        KeyEvent stamped = event;
        stamped.timeMs = clock_();
        int result = kPassKey;
        Change([&](CaptureCoordinator& c) { result = c.OnKey(stamped); });
        return result;
    };
}

void CaptureController::Change(const std::function<void(CaptureCoordinator&)>& change) {
    change(coordinator_);
    Schedule();
}

void CaptureController::Notice(const std::string& message, ScanCut cut) {
    emit notice(QString::fromStdString(message));
    if (cut != ScanCut::Keep) Change([cut](CaptureCoordinator& c) { c.Cut(cut); });
}

void CaptureController::Schedule() {
    const auto deadline = coordinator_.Deadline();
    if (!deadline) {
        timer_.stop();
        return;
    }
    const std::uint64_t now = clock_();
    timer_.start(*deadline > now ? static_cast<int>(*deadline - now) : 0);
}

}  // namespace blenvar
