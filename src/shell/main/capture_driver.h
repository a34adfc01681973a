#pragma once
// What the window sees of capture and training, whichever thread decides them: the X11
// backend runs the machines on the event loop (CaptureController), the evdev backend on
// its relay thread (RelayCapture). The signals are always emitted on the UI thread.
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "capture/capture_backend.h"
#include "capture/training_machine.h"

namespace blenvar {

class CaptureDriver : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // What start-up installs through the hook.
    virtual KeyCallback CaptureCallback() = 0;
    // New trained events take effect at once.
    virtual void UseKeys(const TrainedKey& start, const TrainedKey& stop) = 0;
    // Scanner mode with this scanner (a scan also closes after `gapMs` of its silence), or
    // the trained start key's capture when unset. Call before UseKeys. Returns "" or the
    // backend's sentence for the user.
    virtual std::string UseScanner(const std::optional<ScannerId>& scanner,
                                   std::uint64_t gapMs) = 0;
    virtual void StartTraining() = 0;
    // "Stop": ends training as the quiet timer would.
    virtual void StopTraining() = 0;
    virtual bool Training() const = 0;
    // Ending the program: nothing held, no timer left.
    virtual void Stop() = 0;
    // The scanner device of the last good training, as saved in ScannerDevice; "" when the
    // backend does not tell devices apart.
    std::string TrainedDevice() const { return trainedDevice_; }

  signals:
    void scanOpened();
    void scanCaptured(const QString& raw);
    void trainingRecorded(int events);
    // Capture runs again, with the new keys when the outcome is good.
    void trainingFinished(const TrainingOutcome& outcome);
    void startKeyRefused(const QString& reason);
    // A device went away or could not be grabbed: a line for the status bar.
    void notice(const QString& message);

  protected:
    std::string trainedDevice_;
};

}  // namespace blenvar
