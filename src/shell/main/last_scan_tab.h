#pragma once
// The "Last Scan" tab: the boxes that hold the current scan record, the GS1 fields read
// from it, and Reprocess,
// which is enabled while the barcode value is not empty.
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/scan_record.h"

namespace blenvar {

class LastScanTab : public QWidget {
    Q_OBJECT
  public:
    explicit LastScanTab(QWidget* parent = nullptr);

    // The boxes are the record: what the user edited is what gets reprocessed.
    ScanRecord Record() const;
    void Show(const ScanRecord& rec);
    void SetRaw(const QString& raw) { raw_->setText(raw); }

  signals:
    void reprocessRequested();

  private:
    QLineEdit* AddBox(QFormLayout* form, const QString& label, const char* name);

    QLineEdit* raw_;
    QLineEdit* serial_;
    QLineEdit* type_;
    QLineEdit* code_;
    QLineEdit* extra_;
    QLineEdit* date_;
    QLineEdit* time_;
    QLineEdit* fields_;  // the GS1 fields read, or the first problem with them
    ScanRecord shown_;   // its elements go with the boxes while the value is unchanged
    QPushButton* reprocess_;
};

}  // namespace blenvar
