#pragma once
// Capture and training for a backend whose callback runs on its own relay thread (evdev):
// the machines decide there, at once, so a busy window never stalls the keyboard; tray
// images, closed scans, training progress and notices are posted to the UI thread. The
// relay's tick hook drives the machines' deadlines.
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
    // Turns the device path of an event into the identity text saved as ScannerDevice
    // ("" when it cannot be read). Called on the UI thread.
    using DeviceNamer = std::function<std::string(const std::string& path)>;
    RelayCapture(CaptureBackend& backend, TrayImage& tray, DeviceNamer namer,
                 QObject* parent = nullptr);
    // Nothing runs on the relay for this object after it is gone.
    ~RelayCapture() override;

    // For the relay thread: the callback, the tick hook (now and the next deadline in ms of
    // the clock the events are stamped with) and the notice hook. Each stays safe to call
    // after this object is gone.
    KeyCallback CaptureCallback() override;
    std::function<std::optional<std::uint64_t>(std::uint64_t)> TickHook();
    std::function<void(const std::string&, bool)> NoticeHook();

    void UseKeys(const TrainedKey& start, const TrainedKey& stop) override;
    void StartTraining() override;
    void StopTraining() override;
    bool Training() const override;
    void Stop() override;
    std::string TrainedDevice() const override { return trainedDevice_; }

  private:
    struct Core;
    void FinishOnUi(const TrainingOutcome& outcome, const std::string& devicePath);

    CaptureBackend& backend_;
    DeviceNamer namer_;
    std::shared_ptr<Core> core_;
    std::string trainedDevice_;
};

}  // namespace blenvar
