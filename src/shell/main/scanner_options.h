#pragma once
// The scanner device on the "Setup" tab: which device training recorded, whether it is
// plugged in, and whether only that device is captured ("Scanner") or every keyboard
// ("All"). The choice is stored as CaptureDevices and takes effect at once.
#include <QString>
#include <QTimer>
#include <QWidget>

#include "capture/capture_backend.h"
#include "components/ini/ini_file.h"
#include "settings/settings_layout.h"
#include "shell/main/capture_driver.h"

class QComboBox;
class QLabel;

namespace blenvar {

class ScannerOptions : public QWidget {
    Q_OBJECT
  public:
    ScannerOptions(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend,
                   QWidget* parent = nullptr);

    // Reads the stored mode and scanner and hands them to capture (before its keys are
    // set, and again after training recorded a device).
    void Apply();
    // Shows whether the scanner is plugged in now.
    void Refresh();

  signals:
    void statusMessage(const QString& message);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void Chosen(int index);
    void Use(CaptureDevices devices, const CaptureSetup& setup);

    INIFile& ini_;
    CaptureDriver& driver_;
    CaptureBackend& backend_;
    QLabel* scanner_ = nullptr;
    QComboBox* mode_ = nullptr;
    QLabel* noScanner_ = nullptr;  // beside "The scanner only" while none is recorded
    QTimer presence_;
    QString name_;  // of the recorded scanner; empty when none
    // The layout the capture reads scans on, compiled again only when it changes.
    std::string scannerLayout_;
    int scannerCodePage_ = 0;
    bool scannerMode_ = false;
    bool trained_ = false;
};

}  // namespace blenvar
