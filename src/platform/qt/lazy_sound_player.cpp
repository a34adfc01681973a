#include "platform/qt/lazy_sound_player.h"

#include <dlfcn.h>

#include <QMetaObject>
#include <cstdio>
#include <utility>

#include "core/paths.h"

namespace blenvar {

LazySoundPlayer::LazySoundPlayer(std::string modulePath, QObject* parent)
    : QObject(parent),
      modulePath_(modulePath.empty() ? ExecutableFolder() + "/" + kSoundModule
                                     : std::move(modulePath)) {}

LazySoundPlayer::~LazySoundPlayer() {
    // Its answer, still queued, goes with this object.
    if (loader_.joinable()) loader_.join();
}

void LazySoundPlayer::Drop(SoundDone done) {
    if (done) QMetaObject::invokeMethod(this, std::move(done), Qt::QueuedConnection);
}

void LazySoundPlayer::Load() {
    if (loader_.joinable() || failed_) return;
    loader_ = std::thread([this, path = modulePath_] {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto* entry = module ? reinterpret_cast<SoundModuleEntry*>(dlsym(module, kSoundModuleEntry))
                             : nullptr;
        const std::string error = entry    ? ""
                                  : module ? path + " has no entry point " + kSoundModuleEntry
                                           : std::string(dlerror());
        QMetaObject::invokeMethod(
            this, [this, entry, error] { Loaded(entry, error); }, Qt::QueuedConnection);
    });
}

void LazySoundPlayer::Loaded(SoundModuleEntry* entry, const std::string& error) {
    if (!entry) {
        failed_ = true;
        std::fprintf(stderr, "blenvar: no sound can play: %s\n", error.c_str());
    } else {
        player_.reset(entry());
    }
    auto sound = std::exchange(sound_, std::nullopt);
    auto tone = std::exchange(tone_, std::nullopt);
    if (sound) Play(sound->file, sound->mode, std::move(sound->done));
    if (tone) Tone(tone->hz, tone->ms, std::move(tone->done));
}

void LazySoundPlayer::Play(const std::string& file, PlayMode mode, SoundDone done) {
    if (player_) return player_->Play(file, mode, std::move(done));
    if (failed_) return Drop(std::move(done));
    // The one asked for before it never started: it has ended, replaced.
    if (sound_) Drop(std::move(sound_->done));
    sound_ = Sound{file, mode, std::move(done)};
    Load();
}

void LazySoundPlayer::Stop(bool wait) {
    if (player_) return player_->Stop(wait);
    if (sound_) Drop(std::move(sound_->done));
    sound_.reset();
}

void LazySoundPlayer::Tone(std::int32_t hz, std::int32_t ms, SoundDone done) {
    if (player_) return player_->Tone(hz, ms, std::move(done));
    if (failed_) return Drop(std::move(done));
    if (tone_) Drop(std::move(tone_->done));
    tone_ = Beep{hz, ms, std::move(done)};
    Load();
}

bool LazySoundPlayer::IsPlaying() const {
    return player_ ? player_->IsPlaying() : sound_ || tone_;
}

}  // namespace blenvar
