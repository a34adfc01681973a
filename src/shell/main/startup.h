#pragma once
// The program's start-up in its fixed order: what runs while the window loads, and the
// deferred half that the Startup timer runs once the window has been shown. The window
// does each step; this class only owns the order, so it is tested without a display.
#include <functional>
#include <string>

#include "capture/hook_library.h"
#include "components/ini/ini_file.h"
#include "core/services.h"
#include "settings/settings_layout.h"

namespace blenvar {

inline constexpr int kMainTab = 0;
inline constexpr int kControlTab = 1;
inline constexpr int kSetupTab = 3;
inline constexpr int kHelpTab = 4;
inline constexpr int kStartupDelayMs = 250;

class StartupHost {
  public:
    virtual ~StartupHost() = default;
    virtual void LoadHelpPages() = 0;
    virtual void CollectTabNames() = 0;
    virtual void LoadTypes() = 0;  // the type list and its default sounds
    virtual void FitToContents() = 0;
    virtual void SelectTab(int index) = 0;
    virtual void LoadSelectedType() = 0;
    virtual void AddTrayIcon() = 0;  // showing kTrayStarting
    virtual void SetTitle(const std::string& title) = 0;
    virtual void StartStartupTimer() = 0;
    virtual void SetLoading(bool loading) = 0;
    virtual void SetTrayImage(int image) = 0;
    virtual void RestoreEncoding() = 0;
    virtual void ShowTrainingPrompt() = 0;
    virtual void ShowWindow() = 0;
    virtual void HideToTray() = 0;
    // Runs `then` once the window events already queued have been handled.
    virtual void AfterPendingEvents(std::function<void()> then) = 0;
    // Capture recognises scans by these from now on.
    virtual void UseTrainedKeys(const TrainedKeys& keys) = 0;
};

// "Blenvar - v1.5.12": plain decimal numbers, never padded.
std::string WindowTitle(int major, int minor, int patch);

class Startup {
  public:
    Startup(StartupHost& host, HookLibrary& hook, INIFile& ini, KeyCallback capture)
        : host_(host), hook_(hook), ini_(ini), capture_(std::move(capture)) {}

    // While the window loads; ends by starting the Startup timer.
    void Load(const std::string& title);
    // The Startup timer's single run: capture on, encoding and trained keys read, then
    // the training prompt (untrained) or the tray (trained).
    void OnStartupTimer();
    // Ending: the hook goes before anything else.
    void Unload();

    const TrainedKeys& Keys() const { return keys_; }
    // A training replaced them.
    void SetKeys(const TrainedKeys& keys) { keys_ = keys; }

  private:
    StartupHost& host_;
    HookLibrary& hook_;
    INIFile& ini_;
    KeyCallback capture_;
    TrainedKeys keys_;
};

}  // namespace blenvar
