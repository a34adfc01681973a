#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace blenvar {

bool QtClipboard::SetText(const std::string& text) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    cb->clear(QClipboard::Clipboard);
    cb->setText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                QClipboard::Clipboard);
    return true;
}

bool QtClipboard::OwnsClipboard() {
    QClipboard* cb = QGuiApplication::clipboard();
    return cb && cb->ownsClipboard();
}

}  // namespace blenvar
