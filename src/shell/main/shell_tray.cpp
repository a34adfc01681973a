#include "shell/main/shell_tray.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QIcon>

namespace blenvar {
namespace {

constexpr char kTip[] = "Blenvar";
// How often a missing tray is looked for: a glance at the tray selection's owner.
constexpr int kTrayWatchMs = 500;

QIcon TrayIconImage(int image) {
    return QIcon(QStringLiteral(":/icons/tray-%1.svg").arg(image));
}

}  // namespace

bool SingleActivationTray() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered("org.kde.StatusNotifierWatcher");
}

ShellTray::ShellTray(QObject* parent)
    : QObject(parent), policy_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
    menu_.addAction(tr("Show"), this, &ShellTray::showRequested);
    menu_.addAction(tr("About Blenvar"), this, &ShellTray::aboutRequested);
    menu_.addAction(tr("Exit"), this, &ShellTray::exitRequested);
    icon_.setContextMenu(&menu_);
    ShowTip();
    connect(&icon_, &QSystemTrayIcon::activated, this, &ShellTray::OnActivated);
    trayWatch_.setInterval(kTrayWatchMs);
    connect(&trayWatch_, &QTimer::timeout, this, &ShellTray::WatchForTray);
}

void ShellTray::WatchForTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    trayWatch_.stop();
    if (policy_.OnTrayCame() == WindowAction::Hide) emit hideRequested();
}

void ShellTray::Add() {
    policy_.SetSingleActivation(SingleActivationTray());
    SetTrayImage(kTrayStarting);
    icon_.show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) trayWatch_.start();
}

void ShellTray::Remove() {
    trayWatch_.stop();
    icon_.hide();
}

void ShellTray::SetTrayImage(int image) {
    if (image < kTrayIdle || image > kTrayStarting || image == image_) return;
    image_ = image;
    icon_.setIcon(TrayIconImage(image));
    ShowTip();
}

void ShellTray::SetTrained(bool trained) {
    trained_ = trained;
    ShowTip();
}

void ShellTray::SetWaiting(const std::string& note) {
    if (note == waiting_) return;
    waiting_ = note;
    ShowTip();
}

void ShellTray::ShowTip() {
    const std::string tip = TrayTip(image_, trained_);
    icon_.setToolTip(QString::fromStdString(waiting_.empty() ? tip : tip + "\n" + waiting_));
}

void ShellTray::Notify(const std::string& message) {
    const QString text = QString::fromStdString(message);
    if (policy_.MessagesToTray() && icon_.isVisible() && QSystemTrayIcon::supportsMessages()) {
        icon_.showMessage(kTip, text, QSystemTrayIcon::Warning);
    } else if (statusLine_) {
        statusLine_(text);
    }
}

void ShellTray::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    TrayClick click = TrayClick::Middle;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            click = TrayClick::Single;
            break;
        case QSystemTrayIcon::DoubleClick:
            click = TrayClick::Double;
            break;
        case QSystemTrayIcon::Context:
            click = TrayClick::Right;
            break;
        default:
            break;
    }
    if (policy_.OnTrayClick(click) == WindowAction::Show) emit showRequested();
}

}  // namespace blenvar
