#pragma once
// Named application sound events: each event has a default and a current sound file
// in the per-user registry store under the application's title, and is played by name.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "components/registry/c_registry.h"
#include "components/sound/scan_sounds.h"
#include "components/sound/sound_player.h"
#include "core/com_error.h"
#include "core/services.h"

namespace blenvar {

inline constexpr std::int32_t kAppTitleNotDefined = kObjectErrorBase + 1000;  // 0x800403E8
inline constexpr char kSoundControlSource[] = "SoundControl";
inline constexpr char kSoundEventsRoot[] = "AppEvents\\Schemes\\Apps\\";
inline constexpr char kSoundSettingsProgram[] = "blenvar-sounds";

class SoundControl : public SoundEvents {
  public:
    // The store must not be null (std::invalid_argument). The starter may be null, in
    // which case ShowSoundControlPanel starts nothing. The notifier hears, once, of a
    // store file that is damaged or busy; the default sounds registered in this run
    // play meanwhile.
    SoundControl(std::shared_ptr<RegistryStore> store, SoundPlayer& player, ProcessStarter* starter,
                 Notifier& notifier);

    void RegisterDefaultSound(const std::string& soundName, const std::string& soundFile);
    // RegisterDefaultSound for each (name, file), written as one transaction of the store.
    void RegisterDefaultSounds(const std::vector<std::pair<std::string, std::string>>& sounds);
    void RegisterCurrentSound(const std::string& soundName, const std::string& soundFile);
    // Stores a file the user chose exactly as given (a plain string, never expanded).
    void ChooseCurrentSound(const std::string& soundName, const std::string& soundFile);
    void UnregisterSound(const std::string& soundName);
    void UnregisterAll();
    std::string CurrentSound(const std::string& soundName);
    std::string DefaultSound(const std::string& soundName);
    // The application's event names as the store spells them, in name order.
    std::vector<std::string> EventNames();
    // Both forms start the sound and return at once; nothing blocks the caller's thread.
    // Whatever must follow the end of the sound goes in `done`, which the player calls
    // when it has ended (at once, before returning, when nothing plays).
    void PlaySound(const std::string& soundName, bool wait) override;
    void PlaySound(const std::string& soundName, bool wait, SoundDone done);
    void StopSound(bool wait);
    void LoopSound(const std::string& soundName);
    void PlayTone(std::int32_t frequency, std::int32_t duration, SoundDone done = {});
    bool IsPlaying() const { return player_.IsPlaying(); }

    bool SoundEnabled() const { return soundEnabled_; }
    void SetSoundEnabled(bool v) { soundEnabled_ = v; }
    const std::string& AppTitle() const { return appTitle_; }
    void SetAppTitle(std::string title) { appTitle_ = std::move(title); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }

    // Starts the sound settings window for this title without waiting for it, on `event`
    // when one is given. Returns false (with the reason in error) when it could not be
    // started.
    bool ShowSoundControlPanel(std::string* error = nullptr, const std::string& event = {});

    // Folder that holds blenvar-sounds; defaults to the running executable's folder.
    const std::string& ProgramFolder() const { return programFolder_; }
    void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }

    // Key of an event: "AppEvents\Schemes\Apps\" + title + "\" + name.
    std::string EventKey(const std::string& soundName) const;

  private:
    bool CheckAppTitle() const;
    std::string ReadText(const std::string& section);
    void WriteText(const std::string& section, const std::string& text, bool plain = false);
    bool StoreTrouble();
    bool StoreOff() const;
    void PlayCurrent(const std::string& soundName, PlayMode mode, SoundDone done);

    std::shared_ptr<RegistryStore> store_;
    cRegistry registry_;
    SoundPlayer& player_;
    ProcessStarter* starter_;
    Notifier& notifier_;
    bool damaged_ = false;     // the store's file failed its check: not touched again
    bool readFailed_ = false;  // the last read met a damaged or busy file
    std::chrono::steady_clock::time_point busyUntil_{};  // store left alone until then
    std::string lastTold_;
    // Default files registered in this run, by lower-case name: what plays while the
    // store can't be read.
    std::map<std::string, std::string> defaults_;
    std::string appTitle_;
    bool soundEnabled_ = true;
    bool enabled_ = true;
    std::string programFolder_;
};

// Registers the program's scan sounds (scan_sounds.h) from programFolder: the bad-scan
// file, the good-scan file for every listed type but a leading unknown one, and the
// unknown-scan file.
void RegisterTypeSounds(SoundControl& sound,
                        const std::vector<std::string>& typeListWithUnknownFirst,
                        const std::string& programFolder);

}  // namespace blenvar
