#pragma once
// The "Setup" tab: the encoding, training (Train/Stop and the count of keys recorded),
// the scanner device, which capture backend runs, starting at login, and its help page.
#include <QString>
#include <QWidget>

#include "capture/capture_backend.h"
#include "capture/training_machine.h"
#include "components/ini/ini_file.h"
#include "shell/editor/encoding_options.h"
#include "shell/main/capture_driver.h"
#include "shell/main/scanner_options.h"
#include "shell/main/startup.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace blenvar {

// An empty place named after its help page; the window fills it once the pages load.
QWidget* HelpPlace(const QString& page);

class SetupTab : public QWidget {
    Q_OBJECT
  public:
    SetupTab(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend,
             QWidget* parent = nullptr);

    EncodingOptions* Encoding() const { return encoding_; }
    ScannerOptions* Scanner() const { return scanner_; }
    // Names the capture backend in use; the Wayland note only matters for X11.
    void ShowBackend(const QString& name, bool x11);
    // Why capture is not running.
    void ShowCaptureProblem(const QString& text);

    void ShowCount(int events);
    // A good sample is saved (or the status line says why not) and becomes the scanner;
    // anything else is explained in a message box.
    void OnTrainingFinished(const TrainingOutcome& outcome);

  signals:
    void statusMessage(const QString& message);
    void keysTrained(const TrainedKeys& keys);

  private:
    void OnTrainClicked();
    // Writes or removes the user's login autostart entry.
    void OnAutostartToggled(bool on);

    INIFile& ini_;
    CaptureDriver& driver_;
    EncodingOptions* encoding_;
    QLabel* charCount_;
    QPushButton* trainButton_;
    ScannerOptions* scanner_;
    QLabel* backendNote_;
    QLabel* waylandNote_ = nullptr;
    QCheckBox* autostart_;
};

}  // namespace blenvar
