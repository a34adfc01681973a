#pragma once
// The sound player of the tray program: Qt Multimedia and the audio libraries under it are
// loaded from a module beside the program when the first sound is asked for, so a program
// that has not played anything yet has not mapped them. The module is loaded on a worker
// thread; what is asked meanwhile waits for it, and plays once it is there.
#include <QObject>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "components/sound/sound_player.h"

namespace blenvar {

// Selects the GStreamer media backend unless QT_MEDIA_BACKEND is set already.
// Call it before the QCoreApplication / QGuiApplication is created: Qt 6.4's FFmpeg
// backend plays silence on these desktops.
inline void SelectQtSoundBackend() {
    if (!std::getenv("QT_MEDIA_BACKEND")) setenv("QT_MEDIA_BACKEND", "gstreamer", 0);
}

// The module's name beside the program, and its entry point: a new QtSoundPlayer.
inline constexpr const char* kSoundModule = "libblenvar-sound.so";
inline constexpr const char* kSoundModuleEntry = "BlenvarMakeSoundPlayer";
using SoundModuleEntry = SoundPlayer*();

class LazySoundPlayer : public QObject, public SoundPlayer {
  public:
    // modulePath: "" for kSoundModule in the program's folder.
    explicit LazySoundPlayer(std::string modulePath = {}, QObject* parent = nullptr);
    ~LazySoundPlayer() override;

    void Play(const std::string& file, PlayMode mode, SoundDone done) override;
    void Stop(bool wait) override;
    void Tone(std::int32_t hz, std::int32_t ms, SoundDone done) override;
    bool IsPlaying() const override;

  private:
    struct Sound {
        std::string file;
        PlayMode mode;
        SoundDone done;
    };
    struct Beep {
        std::int32_t hz, ms;
        SoundDone done;
    };
    void Load();
    void Loaded(SoundModuleEntry* entry, const std::string& error);
    void Drop(SoundDone done);

    std::string modulePath_;
    std::unique_ptr<SoundPlayer> player_;
    std::thread loader_;
    bool failed_ = false;
    std::optional<Sound> sound_;  // asked for while the module loads
    std::optional<Beep> tone_;
};

}  // namespace blenvar
