#pragma once
// What the window sees of capture and training. One CaptureCoordinator decides; the
// driver feeds it on the thread the backend's key events arrive on: the X11 backend's on
// the event loop (CaptureController), the evdev backend's on its relay thread
// (RelayCapture). The signals are always emitted on the UI thread.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/capture_backend.h"
#include "capture/capture_coordinator.h"
#include "capture/scan_translator.h"

namespace blenvar {

class CaptureDriver : public QObject {
    Q_OBJECT
  public:
    explicit CaptureDriver(CaptureBackend& backend, QObject* parent = nullptr)
        : QObject(parent), backend_(backend) {}

    // What start-up installs through the hook.
    virtual KeyCallback CaptureCallback() = 0;
    // New trained events take effect at once.
    void UseKeys(const TrainedKey& start, const TrainedKey& stop);
    // Scanner mode with this scanner (a scan also closes after `gapMs` of its silence), or
    // the trained start key's capture when unset or refused by the backend. Call before
    // UseKeys. Returns "" or the backend's sentence for the user.
    std::string UseScanner(const std::optional<ScannerId>& scanner, std::uint64_t gapMs);
    // Scans are read on the scanner's layout; null: the fixed US table.
    void UseTranslator(std::shared_ptr<ScanTranslator> translator);
    // Training ends `quietMs` after the sample's last key.
    void StartTraining(std::uint64_t quietMs = kTrainingQuietMs);
    // "Stop": ends training as the quiet timer would.
    void StopTraining();
    virtual bool Training() const = 0;
    // Ending the program: nothing held, no deadline left.
    void Stop();
    // The scanner device of the last good training, as saved in ScannerDevice; "" when the
    // backend does not tell devices apart.
    std::string TrainedDevice() const { return trainedDevice_; }
    // The name captured scans came from: the scanner's in Scanner mode, "" in All mode.
    const std::string& ScanSource() const { return scanSource_; }

  signals:
    void scanOpened();
    void scanCaptured(const QString& raw);
    void trainingRecorded(int events, int characters);
    // Capture runs again, with the new keys when the outcome is good.
    void trainingFinished(const TrainingOutcome& outcome);
    void startKeyRefused(const QString& reason);
    // A device went away or could not be grabbed: a line for the status bar.
    void notice(const QString& message);

  protected:
    // Runs `change` on the coordinator in turn with the key events, on the UI thread.
    virtual void Change(const std::function<void(CaptureCoordinator&)>& change) = 0;
    // The coordinator's trainingFinished, on the UI thread.
    void TrainingFinished(const TrainingOutcome& outcome);

    CaptureBackend& backend_;

  private:
    // The start key opens scans only outside scanner mode.
    void WatchStart();

    TrainedKey start_;
    bool scannerMode_ = false;
    std::string scanSource_;
    std::string trainedDevice_;
};

}  // namespace blenvar
