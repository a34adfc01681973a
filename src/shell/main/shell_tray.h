#pragma once
// The tray icon: its four images, the tool tip, the context menu ("Show", "About Blenvar", "Exit"),
// and delivery messages as balloons, or in the window's status line while no tray exists.
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

#include "core/services.h"
#include "shell/main/tray_policy.h"

namespace blenvar {

class ShellTray : public QObject, public TrayImage, public Notifier {
    Q_OBJECT
  public:
    explicit ShellTray(QObject* parent = nullptr);

    TrayPolicy& Policy() { return policy_; }
    // Where messages go while the desktop shows no tray icons.
    void SetStatusLine(std::function<void(const QString&)> statusLine) {
        statusLine_ = std::move(statusLine);
    }
    void Add();     // image 4
    void Remove();  // the icon leaves the tray for good
    // The tool tip says whether the program is ready or still needs training.
    void SetTrained(bool trained);
    // A second line of the tool tip: what waits to be sent to a server ("" for none).
    void SetWaiting(const std::string& note);

    void SetTrayImage(int image) override;
    void Notify(const std::string& message) override;

    bool Visible() const { return icon_.isVisible(); }

  signals:
    void showRequested();
    // The version window, also while the main window is hidden.
    void aboutRequested();
    void exitRequested();
    // A tray has appeared after a trained start that had none: the window goes to it.
    void hideRequested();

  private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void WatchForTray();
    void ShowTip();

    QSystemTrayIcon icon_;
    // Looks for a tray host while there is none; Qt docks the icon itself once one comes.
    QTimer trayWatch_;
    QMenu menu_;
    TrayPolicy policy_;
    std::function<void(const QString&)> statusLine_;
    int image_ = 0;
    bool trained_ = false;
    std::string waiting_;
};

// True when the session's tray speaks the D-Bus StatusNotifier protocol, which reports
// one activation per click and no double-click.
bool SingleActivationTray();

}  // namespace blenvar
