#include "shell/help/help_page.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextCursor>
#include <QUrl>

namespace blenvar {
namespace {

constexpr QLatin1StringView kTabScheme("tab://");

// "main.htm" is read out as "Main".
QString PageName(const QString& htmlFile) {
    QString name = QFileInfo(htmlFile).completeBaseName();
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    return name;
}

}  // namespace

HelpPage::HelpPage(const QString& htmlFile, ShellOpener& opener, QWidget* parent)
    : QTextBrowser(parent), opener_(opener) {
    setOpenLinks(false);
    setAccessibleName(PageName(htmlFile));
    connect(this, &QTextBrowser::anchorClicked, this, &HelpPage::FollowLink);

    const QFileInfo file(htmlFile);
    if (file.isFile() && file.isReadable()) {
        setSource(QUrl::fromLocalFile(file.absoluteFilePath()), QTextDocument::HtmlResource);
    } else {
        // An installation without its pages still tells the user what is missing.
        setHtml(QStringLiteral("<p>The help page <b>%1</b> was not found.</p>")
                    .arg(htmlFile.toHtmlEscaped()));
    }
}

void HelpPage::mouseReleaseEvent(QMouseEvent* event) {
    activating_ = anchorAt(event->position().toPoint());
    QTextBrowser::mouseReleaseEvent(event);
    activating_.clear();
}

void HelpPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        activating_ = AnchorAtCursor();
    QTextBrowser::keyPressEvent(event);
    activating_.clear();
}

// The link that Enter activates: the one selected by Tab, read at its first character.
QString HelpPage::AnchorAtCursor() const {
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionStart());
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().anchorHref();
}

void HelpPage::FollowLink(const QUrl& resolved) {
    const QString href = activating_.isEmpty() ? resolved.toString() : activating_;
    if (href.startsWith(kTabScheme, Qt::CaseInsensitive)) {
        emit tabRequested(href.mid(kTabScheme.size()));
        return;
    }
    const QUrl page = source().adjusted(QUrl::RemoveFragment);
    if (resolved.hasFragment() && resolved.adjusted(QUrl::RemoveFragment) == page) {
        scrollToAnchor(resolved.fragment(QUrl::FullyDecoded));
        return;
    }
    // Another page, an address or a document: the desktop shows it, this page stays.
    const QString target =
        resolved.isLocalFile() ? resolved.toLocalFile() : resolved.toString(QUrl::FullyEncoded);
    if (opener_.Open(target.toStdString())) return;
    auto* box = new QMessageBox(
        QMessageBox::Warning, window()->windowTitle(),
        tr("%1 could not be opened: no program to open it was found (xdg-open and a web "
           "browser are needed).")
            .arg(target),
        QMessageBox::Ok, this);
    box->setObjectName("CannotOpen");
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace blenvar
