#include "shell/editor/settings_text.h"

#include <QByteArray>
#include <QStringDecoder>

namespace blenvar {

QString ShownText(const std::string& stored) {
    const QByteArray bytes = QByteArray::fromStdString(stored);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

std::string StoredText(const QString& now, const std::string& loaded) {
    return now == ShownText(loaded) ? loaded : now.toStdString();
}

}  // namespace blenvar
