#pragma once
// Capture on the program's event loop (X11): feeds the backend's key events to the
// coordinator, holds the keyboard on its word, and keeps one single-shot timer at its
// next deadline so a scan closes on time even when no key follows.
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "core/monotonic_clock.h"
#include "core/services.h"
#include "shell/main/capture_driver.h"

namespace blenvar {

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
    bool Training() const override { return coordinator_.Training(); }
    // The backend's word that a device came, went or is held by another program, for the
    // status line, and does to an open scan what `cut` says.
    void Notice(const std::string& message, ScanCut cut);

  protected:
    void Change(const std::function<void(CaptureCoordinator&)>& change) override;

  private:
    CaptureCoordinator::Reports MakeReports(TrayImage& tray);
    void Schedule();

    Clock clock_;
    CaptureCoordinator coordinator_;
    QTimer timer_{this};  // a child, so a test can find it
};

}  // namespace blenvar
