#include "components/sound/sound_control.h"

#include <chrono>
#include <stdexcept>
#include <vector>

#include "core/com_error.h"
#include "core/paths.h"
#include "core/text.h"

namespace blenvar {
namespace {

// After a busy file, every access would wait the store's whole timeout again.
constexpr auto kBusyPause = std::chrono::seconds(30);

std::shared_ptr<RegistryStore> Required(std::shared_ptr<RegistryStore> store) {
    if (!store) throw std::invalid_argument("SoundControl needs a registry store");
    return store;
}

}  // namespace

SoundControl::SoundControl(std::shared_ptr<RegistryStore> store, SoundPlayer& player,
                           ProcessStarter* starter, Notifier& notifier)
    : store_(Required(std::move(store))),
      registry_(store_),
      player_(player),
      starter_(starter),
      notifier_(notifier),
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

bool SoundControl::StoreTrouble() {
    const RegStoreProblem p = store_->TakeProblem();
    if (p.status == kRegSuccess) {
        lastTold_.clear();
        return false;
    }
    std::string message = "The sound settings database " + p.file;
    if (p.status == kRegBusy) busyUntil_ = std::chrono::steady_clock::now() + kBusyPause;
    if (p.status == kRegCorrupt) {
        damaged_ = true;
        message +=
            " is damaged: " + p.reason + ". The default sounds play; the file is left as it is.";
    } else {
        message += " is busy: another program holds it locked (" + p.reason +
                   "). The default sounds play meanwhile.";
    }
    // A lock that lasts would otherwise repeat the same sentence for every scan.
    if (message != lastTold_) notifier_.Notify(message);
    lastTold_ = std::move(message);
    return true;
}

bool SoundControl::StoreOff() const {
    return damaged_ || std::chrono::steady_clock::now() < busyUntil_;
}

std::string SoundControl::ReadText(const std::string& section) {
    readFailed_ = StoreOff();
    if (readFailed_) return {};
    registry_.SetSectionKey(section);
    std::string text = RegVariantText(registry_.Value());
    readFailed_ = StoreTrouble();
    return text;
}

void SoundControl::WriteText(const std::string& section, const std::string& text, bool plain) {
    if (StoreOff()) return;  // the user was told; a damaged file is left as it is
    registry_.SetSectionKey(section);
    // A read leaves the type it found behind; a number or byte type would make the
    // class drop a text write without a word.
    registry_.SetValueType(REG_SZ_);
    registry_.SetStringTypeByContent(!plain);
    try {
        registry_.SetValue(text);
    } catch (const ComError&) {
        registry_.SetStringTypeByContent(true);
        if (!StoreTrouble()) throw;  // a damaged or busy file was reported instead
        return;
    }
    registry_.SetStringTypeByContent(true);
    StoreTrouble();
}

void SoundControl::RegisterDefaultSound(const std::string& soundName,
                                        const std::string& soundFile) {
    const std::string current = CurrentSound(soundName);
    defaults_[ToLowerAscii(soundName)] = soundFile;
    if (readFailed_) return;  // damaged or busy: the user was told; this default plays
    const std::string def = DefaultSound(soundName);
    // A new event sounds at once; a current file the user chose is never replaced.
    if (current.empty() && def.empty()) RegisterCurrentSound(soundName, soundFile);
    // Each start registers every type again: unchanged defaults cost no write.
    if (def == soundFile) return;
    CheckAppTitle();
    WriteText(EventKey(soundName) + "\\.default", soundFile);
}

void SoundControl::RegisterDefaultSounds(
    const std::vector<std::pair<std::string, std::string>>& sounds) {
    RegistryBatch batch(*store_);
    for (const auto& [name, file] : sounds) RegisterDefaultSound(name, file);
}

void SoundControl::RegisterCurrentSound(const std::string& soundName,
                                        const std::string& soundFile) {
    CheckAppTitle();
    WriteText(EventKey(soundName) + "\\.current", soundFile);
}

void SoundControl::ChooseCurrentSound(const std::string& soundName, const std::string& soundFile) {
    CheckAppTitle();
    WriteText(EventKey(soundName) + "\\.current", soundFile, true);
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

std::vector<std::string> SoundControl::EventNames() {
    CheckAppTitle();
    if (StoreOff()) return {};
    registry_.SetSectionKey(kSoundEventsRoot + appTitle_);
    std::vector<std::string> names;
    std::int32_t count = 0;
    registry_.EnumerateSections(names, count);
    StoreTrouble();
    // The class hands names out from index 1.
    if (!names.empty()) names.erase(names.begin());
    return names;
}

void SoundControl::PlayCurrent(const std::string& soundName, PlayMode mode, SoundDone done) {
    std::string file(Trim(CurrentSound(soundName)));
    if (readFailed_) {
        const auto it = defaults_.find(ToLowerAscii(soundName));
        if (it != defaults_.end()) file = Trim(it->second);
    }
    // The platform sees the path as a C string.
    if (auto nul = file.find('\0'); nul != std::string::npos) file.resize(nul);
    if (!file.empty() && CheckAppTitle() && soundEnabled_)
        player_.Play(file, mode, std::move(done));
    else if (done)
        done();
}

void SoundControl::PlaySound(const std::string& soundName, bool wait) {
    PlaySound(soundName, wait, {});
}

void SoundControl::PlaySound(const std::string& soundName, bool /*wait*/, SoundDone done) {
    // Waiting is the caller's `done`: a wait here would have to run the event loop
    // inside the caller's work, where a key or timer event could re-enter it.
    if (!enabled_) {
        if (done) done();
        return;
    }
    PlayCurrent(soundName, PlayMode::Once, std::move(done));
}

void SoundControl::LoopSound(const std::string& soundName) {
    PlayCurrent(soundName, PlayMode::Loop, {});
}

void SoundControl::StopSound(bool wait) {
    player_.Stop(wait);
}

void SoundControl::PlayTone(std::int32_t frequency, std::int32_t duration, SoundDone done) {
    if (enabled_)
        player_.Tone(frequency, duration, std::move(done));
    else if (done)
        done();
}

bool SoundControl::ShowSoundControlPanel(std::string* error, const std::string& event) {
    std::string err;
    bool ok = false;
    if (!starter_) {
        err = "no program starter";
    } else {
        std::vector<std::string> args;
        if (!appTitle_.empty()) args = {"--title", appTitle_};
        if (!event.empty()) args.insert(args.end(), {"--event", event});
        ok = starter_->Start(programFolder_ + "/" + kSoundSettingsProgram, args, err);
    }
    if (error) *error = err;
    return ok;
}

void RegisterTypeSounds(SoundControl& sound,
                        const std::vector<std::string>& typeListWithUnknownFirst,
                        const std::string& programFolder) {
    const auto file = [&](std::string_view name) {
        return programFolder + "/" + std::string(name);
    };
    std::vector<std::pair<std::string, std::string>> sounds;
    sounds.reserve(typeListWithUnknownFirst.size() + 2);
    sounds.emplace_back(kBadScanSound, file(kBadScanFile));
    auto it = typeListWithUnknownFirst.begin();
    if (it != typeListWithUnknownFirst.end() && *it == kUnknownSound) ++it;
    for (; it != typeListWithUnknownFirst.end(); ++it)
        sounds.emplace_back(*it, file(kGoodScanFile));
    sounds.emplace_back(kUnknownSound, file(kUnknownScanFile));
    sound.RegisterDefaultSounds(sounds);
}

}  // namespace blenvar
