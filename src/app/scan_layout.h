#pragma once
// The translator that reads scans on the scanner's layout, as the settings name it, and
// the search for that layout from a scan of the test barcode.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "capture/hook_library.h"
#include "capture/scan_translator.h"
#include "settings/settings_layout.h"

namespace blenvar {

// Null for the fixed US table: ScannerLayout empty, or (with `problem` set for the user)
// a layout this system does not have.
std::shared_ptr<ScanTranslator> ScannerLayoutFor(const CaptureSetup& setup, std::string& problem);

// What a scan of the test barcode says about the scanner's layout.
struct LayoutAnswer {
    // "de", then "German": the layouts that type the text exactly, the one to use first.
    QStringList names;
    QStringList descriptions;
    // None matched, but this layout types the text with more around it, which it shows.
    QString around;
    QString aroundText;
    qint64 matchMs = 0;  // from the call to Match to the answer
};

// Builds the tables of every layout the system lists on a worker thread as soon as it is
// made, and matches scans there; nothing on the calling (user-interface) thread waits.
class LayoutDetector : public QObject {
    Q_OBJECT
  public:
    // `setup`: its KeyboardLayout (or the system's) is the desktop's, preferred among equals.
    explicit LayoutDetector(const CaptureSetup& setup, QObject* parent = nullptr);
    // Tells the worker to stop; it ends on its own and reports nothing more.
    ~LayoutDetector() override;

    // The key events of one scan; answered by matched(), once the tables are built.
    void Match(std::vector<KeyEvent> events);

  signals:
    void tablesBuilt(int layouts, qint64 ms);
    void matched(const blenvar::LayoutAnswer& answer);

  private:
    struct Work;
    std::shared_ptr<Work> work_;
};

}  // namespace blenvar
