#pragma once
// When the window hides, minimises, shows or ends. Hiding is only safe while the desktop
// shows tray icons: without a tray a hidden window could never be brought back, so then
// the window minimises instead and tray messages go to the status line.
#include <functional>
#include <string>

namespace blenvar {

enum class TrayClick { Single, Double, Right, Middle };
enum class WindowAction { None, Show, Hide, Minimise, Quit };

// The tray icon's tool tip: the program and its state, from the tray image shown and
// whether a scanner is trained.
std::string TrayTip(int image, bool trained);

class TrayPolicy {
  public:
    // trayAvailable is asked at every decision (a tray host may come or go).
    // singleActivation: the tray reports a click but never a double-click (the D-Bus
    // protocol of KDE and GNOME's AppIndicator extension), so a click must show.
    explicit TrayPolicy(std::function<bool()> trayAvailable, bool singleActivation = false)
        : trayAvailable_(std::move(trayAvailable)), singleActivation_(singleActivation) {}

    void SetSingleActivation(bool on) { singleActivation_ = on; }

    // The window has just been minimised.
    WindowAction OnMinimised() const { return Tray() ? WindowAction::Hide : WindowAction::None; }
    WindowAction OnHideButton() const {
        return Tray() ? WindowAction::Hide : WindowAction::Minimise;
    }
    // A trained program starts in the tray; without one it starts minimised, and hides
    // to the tray once one comes (at login the panel often starts after the program).
    WindowAction OnStartedTrained() {
        hideWhenTrayComes_ = !Tray();
        return hideWhenTrayComes_ ? WindowAction::Minimise : WindowAction::Hide;
    }
    // A tray has come: Hide when a trained start is still waiting for it (once), else None.
    WindowAction OnTrayCame() {
        if (!Tray() || !hideWhenTrayComes_) return WindowAction::None;
        hideWhenTrayComes_ = false;
        return WindowAction::Hide;
    }
    // The user has brought the window up: a tray that comes later leaves it there.
    void OnShown() { hideWhenTrayComes_ = false; }
    WindowAction OnTrayClick(TrayClick click) const;
    WindowAction OnClose() const { return WindowAction::Quit; }

    bool MessagesToTray() const { return Tray(); }
    // True the first time it is asked while there is no tray: the window says so once.
    bool TakeNoTrayNotice();

  private:
    bool Tray() const { return trayAvailable_ && trayAvailable_(); }

    std::function<bool()> trayAvailable_;
    bool singleActivation_;
    bool noticeGiven_ = false;
    bool hideWhenTrayComes_ = false;
};

}  // namespace blenvar
