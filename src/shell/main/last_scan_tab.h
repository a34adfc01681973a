#pragma once
// The "Last Scan" tab: the boxes that hold the current scan record, the GS1 fields read
// from it, and Reprocess, which is enabled while the barcode value is not empty. Below
// them, while any wait, the scans waiting to be sent to a server, with Retry now and Drop.
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <vector>

#include "components/outbox/outbox.h"
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
    // The oldest of the `total` waiting scans; the selection stays on its scan.
    void ShowWaiting(const std::vector<OutboxItem>& items, int total);

  signals:
    void reprocessRequested();
    // On the selected waiting scan.
    void retryRequested(qint64 seq);
    void dropRequested(qint64 seq);

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
    QGroupBox* waiting_;
    QTreeWidget* waitingList_;
    QPushButton* retry_;
    QPushButton* drop_;
};

}  // namespace blenvar
