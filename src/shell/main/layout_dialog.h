#pragma once
// "Detect layout": shows the test barcode, reads one scan of it through training and names
// the layout the scanner types in. The layouts' tables are built while it is shown.
#include <QDialog>
#include <QImage>
#include <vector>

#include "app/scan_layout.h"
#include "capture/hook_library.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace blenvar {

// The test barcode, `module` pixels a module, quiet zones included.
QImage TestBarcodeImage(int module = 2, int height = 80);

class LayoutDialog : public QDialog {
    Q_OBJECT
  public:
    LayoutDialog(const CaptureSetup& setup, QWidget* parent = nullptr);

    // The key events of the scan training recorded.
    void Scanned(std::vector<KeyEvent> events);

  signals:
    // The user wants another scan read.
    void scanAgain();
    // The layout to keep in ScannerLayout, and its name for the user.
    void layoutChosen(const QString& name, const QString& description);

  private:
    void Answered(const LayoutAnswer& answer);

    LayoutDetector detector_;
    QLabel* status_;
    QLabel* result_;
    QComboBox* others_;
    QPushButton* use_;
    QPushButton* again_;
    LayoutAnswer answer_;
};

}  // namespace blenvar
