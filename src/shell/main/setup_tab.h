#pragma once
// The "Setup" tab: the encoding, training (Train/Stop, the count of characters scanned,
// the keys learned and what training found), the scanner device, the scan sources seen,
// which capture backend runs, starting at login, where the settings and sounds are kept, and its
// help page.
#include <QPointer>
#include <QString>
#include <QWidget>

#include "capture/capture_backend.h"
#include "capture/training_machine.h"
#include "components/ini/ini_file.h"
#include "core/services.h"
#include "shell/editor/encoding_options.h"
#include "shell/main/capture_driver.h"
#include "shell/main/scan_sources_view.h"
#include "shell/main/scanner_options.h"
#include "shell/main/startup.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace blenvar {

class LayoutDialog;

// An empty place named after its help page; the window fills it once the pages load.
QWidget* HelpPlace(const QString& page);

class SetupTab : public QWidget {
    Q_OBJECT
  public:
    // `soundDatabase`: the file the sound events are kept in.
    SetupTab(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend, ShellOpener& opener,
             ScanSourceLister& sources, const QString& soundDatabase, QWidget* parent = nullptr);

    EncodingOptions* Encoding() const { return encoding_; }
    ScannerOptions* Scanner() const { return scanner_; }
    ScanSourcesView* Sources() const { return sources_; }
    // Names the capture backend in use; the Wayland note only matters for X11.
    void ShowBackend(const QString& name, bool x11);
    // Why capture is not running.
    void ShowCaptureProblem(const QString& text);

    void ShowCount(int events, int characters);
    // The start and stop keys in words, or that none are trained.
    void ShowKeys(const TrainedKeys& keys);
    // A good sample is saved (or the status line says why not) and becomes the scanner;
    // either way the tab says what training found.
    void OnTrainingFinished(const TrainingOutcome& outcome);

  signals:
    void statusMessage(const QString& message);
    void keysTrained(const TrainedKeys& keys);

  private:
    void OnTrainClicked();
    // Shows the test barcode and reads its scan through training.
    void OnDetectClicked();
    void KeepLayout(const QString& name, const QString& description);
    // Writes or removes the user's login autostart entry.
    void OnAutostartToggled(bool on);
    // A line naming `file` with a button that opens its folder.
    QWidget* FileRow(const QString& caption, const QString& file, const QString& button);

    INIFile& ini_;
    CaptureDriver& driver_;
    ShellOpener& opener_;
    EncodingOptions* encoding_;
    QLabel* keys_;
    QLabel* result_;
    QLabel* charCount_;
    QPushButton* trainButton_;
    QPushButton* detectButton_;
    // Open while the scanner's layout is being detected; training then reads its scan.
    QPointer<LayoutDialog> detect_;
    // From Detect layout until the training it started has ended.
    bool detecting_ = false;
    ScannerOptions* scanner_;
    ScanSourcesView* sources_;
    QLabel* backendNote_;
    QLabel* waylandNote_ = nullptr;
    QCheckBox* autostart_;
};

}  // namespace blenvar
