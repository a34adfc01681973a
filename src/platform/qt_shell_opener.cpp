#include "platform/qt_shell_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QString>
#include <QUrl>

namespace blenvar {

bool QtShellOpener::Open(const std::string& target) {
    const QString t = QString::fromLocal8Bit(target.data(), static_cast<qsizetype>(target.size()));
    if (t.trimmed().isEmpty()) return false;
    // An existing file is a document; anything else is taken as an address.
    QUrl url = QFileInfo::exists(t) ? QUrl::fromLocalFile(QFileInfo(t).absoluteFilePath())
                                    : QUrl::fromUserInput(t);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace blenvar
