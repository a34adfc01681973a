#pragma once
// Capture for a backend whose callback runs on its own relay thread (evdev): the
// coordinator decides there, at once, so a busy window never stalls the keyboard; tray
// images, closed scans, training progress and notices are posted to the UI thread. The
// relay's tick hook drives the coordinator's deadlines.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/services.h"
#include "shell/main/capture_driver.h"

namespace blenvar {

class RelayCapture : public CaptureDriver {
  public:
    RelayCapture(CaptureBackend& backend, TrayImage& tray, QObject* parent = nullptr);
    // Nothing runs on the relay for this object after it is gone.
    ~RelayCapture() override;

    // For the relay thread: the callback, the tick hook (now and the next deadline in ms of
    // the clock the events are stamped with) and the notice hook. Each stays safe to call
    // after this object is gone.
    KeyCallback CaptureCallback() override;
    std::function<std::optional<std::uint64_t>(std::uint64_t)> TickHook();
    std::function<void(const std::string&, ScanCut)> NoticeHook();

    bool Training() const override;

  protected:
    void Change(const std::function<void(CaptureCoordinator&)>& change) override;

  private:
    struct Core;
    std::shared_ptr<Core> core_;
};

}  // namespace blenvar
