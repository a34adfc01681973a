#include "shell/editor/encoding_options.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

#include "core/text.h"
#include "settings/settings_layout.h"

namespace blenvar {

EncodingOptions::EncodingOptions(INIFile& ini, QWidget* parent) : QWidget(parent), ini_(ini) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("Encoding"), this);
    label->setObjectName("EncodingLabel");
    aim_ = new QRadioButton(QString::fromUtf8(kEncodingAim.data(), kEncodingAim.size()), this);
    aim_->setObjectName("EncodingAIM");
    other_ =
        new QRadioButton(QString::fromUtf8(kEncodingOther.data(), kEncodingOther.size()), this);
    other_->setObjectName("EncodingOther");
    label->setBuddy(aim_);
    row->addWidget(label);
    row->addWidget(aim_);
    row->addWidget(other_);
    row->addStretch(1);
    // Exclusive through the group, so that Restore can also clear both.
    auto* group = new QButtonGroup(this);
    group->addButton(aim_, 0);
    group->addButton(other_, 1);
    // Toggled, not clicked: a screen reader's toggle action chooses without a click.
    for (QRadioButton* option : {aim_, other_})
        connect(option, &QRadioButton::toggled, this, [this, option](bool on) {
            if (on) Chosen(option);
        });
}

bool EncodingOptions::OtherChosen() const {
    return other_->isChecked();
}

void EncodingOptions::Restore() {
    const bool wasLoading = loading_;
    loading_ = true;
    ini_.Refresh();  // the file as it is now, even when reads answer from a snapshot
    const std::string stored = LoadEncoding(ini_);
    QRadioButton* chosen = IsAimEncoding(stored)                       ? aim_
                           : EqualsNoCaseAscii(stored, kEncodingOther) ? other_
                                                                       : nullptr;
    if (chosen) {
        chosen->setChecked(true);
    } else {
        // A stored value matching neither option selects none.
        aim_->group()->setExclusive(false);
        aim_->setChecked(false);
        other_->setChecked(false);
        aim_->group()->setExclusive(true);
    }
    emit otherEncodingChanged(OtherChosen());
    loading_ = wasLoading;
}

void EncodingOptions::Chosen(QRadioButton* option) {
    if (!loading_ && !SaveEncoding(ini_, option->text().toStdString())) {
        emit statusMessage(tr("The encoding was not saved: %1")
                               .arg(QString::fromStdString(ini_.LastWriteError())));
    }
    emit otherEncodingChanged(OtherChosen());
}

}  // namespace blenvar
