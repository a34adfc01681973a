#include "shell/main/startup.h"

namespace blenvar {

std::string WindowTitle(int major, int minor, int patch) {
    return "Blenvar - v" + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(patch);
}

void Startup::Load(const std::string& title) {
    host_.LoadHelpPages();
    host_.CollectTabNames();
    host_.LoadTypes();
    host_.FitToContents();
    host_.SelectTab(kMainTab);
    host_.LoadSelectedType();
    host_.AddTrayIcon();
    ConfigureHook(hook_);
    host_.SetTitle(title);
    host_.StartStartupTimer();
}

void Startup::OnStartupTimer() {
    host_.SetLoading(true);
    InstallHook(hook_, capture_);
    host_.SetTrayImage(kTrayIdle);
    host_.RestoreEncoding();
    keys_ = LoadTrainedKeys(ini_);
    host_.UseTrainedKeys(keys_);
    if (keys_.Trained()) {
        host_.HideToTray();
    } else {
        host_.SelectTab(kSetupTab);
        host_.ShowTrainingPrompt();
        host_.ShowWindow();
    }
    host_.AfterPendingEvents([this] { host_.SetLoading(false); });
}

void Startup::Unload() {
    RemoveHook(hook_);
}

}  // namespace blenvar
