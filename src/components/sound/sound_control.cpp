#include "components/sound/sound_control.h"

#include <filesystem>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/com_error.h"
#include "core/paths.h"
#include "core/text.h"

namespace blenvar {
SoundControl::SoundControl(std::shared_ptr<RegistryStore> store, SoundPlayer& player,
                           ProcessStarter* starter)
    : registry_(store ? cRegistry(std::move(store)) : cRegistry()),
      player_(player),
      starter_(starter),
      programFolder_(ExecutableFolder()) {
    registry_.SetClassKey(HKEY_CURRENT_USER_);
    registry_.SetValueType(REG_SZ_);
    registry_.SetDefault(std::string());
    registry_.SetValueKey("");
}

bool SoundControl::CheckAppTitle() const {
    if (appTitle_.empty())
        throw ComError(kAppTitleNotDefined, kSoundControlSource, "AppTitle not defined");
    return true;
}

std::string SoundControl::EventKey(const std::string& soundName) const {
    return kSoundEventsRoot + appTitle_ + "\\" + soundName;
}

std::string SoundControl::ReadText(const std::string& section) {
    registry_.SetSectionKey(section);
    return RegVariantText(registry_.Value());
}

void SoundControl::WriteText(const std::string& section, const std::string& text) {
    registry_.SetSectionKey(section);
    // A read leaves the type it found behind; a number or byte type would make the
    // class drop a text write without a word.
    registry_.SetValueType(REG_SZ_);
    registry_.SetValue(text);
}

void SoundControl::RegisterDefaultSound(const std::string& soundName,
                                        const std::string& soundFile) {
    const std::string current = CurrentSound(soundName);
    const std::string def = DefaultSound(soundName);
    // A new event sounds at once; a current file the user chose is never replaced.
    if (current.empty() && def.empty()) RegisterCurrentSound(soundName, soundFile);
    CheckAppTitle();
    WriteText(EventKey(soundName) + "\\.default", soundFile);
}

void SoundControl::RegisterCurrentSound(const std::string& soundName,
                                        const std::string& soundFile) {
    CheckAppTitle();
    WriteText(EventKey(soundName) + "\\.current", soundFile);
}

void SoundControl::UnregisterSound(const std::string& soundName) {
    CheckAppTitle();
    registry_.SetSectionKey(EventKey(soundName));
    registry_.DeleteKey(true);
}

void SoundControl::UnregisterAll() {
    CheckAppTitle();
    registry_.SetSectionKey(kSoundEventsRoot + appTitle_);
    registry_.DeleteKey(true);
}

std::string SoundControl::CurrentSound(const std::string& soundName) {
    CheckAppTitle();
    return ReadText(EventKey(soundName) + "\\.current");
}

std::string SoundControl::DefaultSound(const std::string& soundName) {
    CheckAppTitle();
    return ReadText(EventKey(soundName) + "\\.default");
}

void SoundControl::PlayCurrent(const std::string& soundName, PlayMode mode) {
    std::string file(Trim(CurrentSound(soundName)));
    // The platform sees the path as a C string.
    if (auto nul = file.find('\0'); nul != std::string::npos) file.resize(nul);
    if (!file.empty() && CheckAppTitle() && soundEnabled_) player_.Play(file, mode);
}

void SoundControl::PlaySound(const std::string& soundName, bool wait) {
    if (!enabled_) return;
    PlayCurrent(soundName, wait ? PlayMode::Wait : PlayMode::Async);
}

void SoundControl::LoopSound(const std::string& soundName) {
    PlayCurrent(soundName, PlayMode::Loop);
}

void SoundControl::StopSound(bool wait) {
    player_.Stop(wait);
}

void SoundControl::PlayTone(std::int32_t frequency, std::int32_t duration) {
    if (enabled_) player_.Tone(frequency, duration);
}

bool SoundControl::ShowSoundControlPanel(std::string* error) {
    std::string err;
    bool ok = false;
    if (!starter_) {
        err = "no program starter";
    } else {
        std::vector<std::string> args;
        if (!appTitle_.empty()) args.push_back(appTitle_);
        ok = starter_->Start(programFolder_ + "/" + kSoundSettingsProgram, args, err);
    }
    if (error) *error = err;
    return ok;
}

void RegisterTypeSounds(SoundControl& sound,
                        const std::vector<std::string>& typeListWithUnknownFirst,
                        const std::string& programFolder) {
    sound.RegisterDefaultSound("Bad Scan", programFolder + "/buzz.wav");
    auto it = typeListWithUnknownFirst.begin();
    if (it != typeListWithUnknownFirst.end() && *it == "UNKNOWN") ++it;
    for (; it != typeListWithUnknownFirst.end(); ++it)
        sound.RegisterDefaultSound(*it, programFolder + "/zing.wav");
    sound.RegisterDefaultSound("UNKNOWN", programFolder + "/boin.wav");
}

}  // namespace blenvar
