#pragma once
// The scan sources on the "Setup" tab: every keyboard, HID POS scanner and serial port
// Blenvar sees, with whether it reads it. Listed again when a device comes or goes (the
// lister's watch) and when the tab is shown. A HID POS scanner left alone by
// PosScanners=Off is offered in a bar above the list.
#include <QSet>
#include <QString>
#include <QWidget>

#include "components/ini/ini_file.h"
#include "core/scan_sources.h"

class QLabel;
class QTreeWidget;

namespace blenvar {

class ScanSourcesView : public QWidget {
    Q_OBJECT
  public:
    ScanSourcesView(INIFile& ini, ScanSourceLister& lister, QWidget* parent = nullptr);
    ~ScanSourcesView() override;

    void SetKeysThroughX11(bool x11);
    void Refresh();

  signals:
    // PosScanners=Auto is saved: the HID POS scanners are to be read from now on.
    void posScannersChosen();
    void statusMessage(const QString& message);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void UsePosScanners();

    INIFile& ini_;
    ScanSourceLister& lister_;
    QTreeWidget* list_;
    QWidget* offer_;
    QLabel* offerText_;
    bool x11_ = false;
    // Scanners offered already: "Not now" is not asked again until one is plugged in anew.
    QSet<QString> offered_;
};

}  // namespace blenvar
