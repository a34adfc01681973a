#pragma once
// One help page of the main window. It never leaves its page: "tab://name" links ask the
// window for another tab, anchors of the page scroll in place, and every other link goes
// to the desktop's "open".
#include <QString>
#include <QTextBrowser>

#include "core/services.h"

class QKeyEvent;
class QMouseEvent;
class QUrl;

namespace blenvar {

class HelpPage : public QTextBrowser {
    Q_OBJECT
  public:
    HelpPage(const QString& htmlFile, ShellOpener& opener, QWidget* parent = nullptr);

  signals:
    // The link's text after "tab://" exactly as the page writes it.
    void tabRequested(QString name);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FollowLink(const QUrl& resolved);
    QString AnchorAtCursor() const;

    ShellOpener& opener_;
    // The href as written, while a click or key press is activating it: the QUrl that
    // anchorClicked hands over has a lower-cased host and loses names with blanks.
    QString activating_;
};

}  // namespace blenvar
