#pragma once
// The scanner's encoding on the "Setup" tab: "AIM" reads symbology identifiers, "Other"
// the identifier text of each type. Choosing one stores its caption as Encoding in "Setup".
#include <QString>
#include <QWidget>

#include "components/ini/ini_file.h"

class QRadioButton;

namespace blenvar {

class EncodingOptions : public QWidget {
    Q_OBJECT
  public:
    explicit EncodingOptions(INIFile& ini, QWidget* parent = nullptr);

    // While set, a choice is shown but not stored.
    void SetLoading(bool loading) { loading_ = loading; }
    // Selects the option whose caption equals the stored Encoding, ignoring case; none
    // when it matches neither. Stores nothing.
    void Restore();
    bool OtherChosen() const;

  signals:
    // After a choice (stored or not) and after Restore: whether "Other" is chosen.
    void otherEncodingChanged(bool other);
    void statusMessage(const QString& message);

  private:
    void Chosen(QRadioButton* option);

    INIFile& ini_;
    bool loading_ = false;
    QRadioButton* aim_ = nullptr;
    QRadioButton* other_ = nullptr;
};

}  // namespace blenvar
