#pragma once
// What the sound component needs from the platform: play a file, stop it, play a tone.
#include <cstdint>
#include <functional>
#include <string>

namespace blenvar {

enum class PlayMode {
    Once,  // play the file once
    Loop,  // repeat until stopped
};

// Called once when a sound has ended: played out, stopped, replaced by another one, or
// not playable at all. A player calls it from its event loop, never from inside Play,
// Tone or Stop, so the caller can simply continue its work there.
using SoundDone = std::function<void()>;

// Nothing here waits: Play and Tone start the sound and return at once.
// One sound plays at a time: Play or Stop ends the one that is playing; a tone plays
// beside it. A file that is missing or can't be played is not an error; the player
// decides whether a fallback sounds instead.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const std::string& file, PlayMode mode, SoundDone done) = 0;
    virtual void Stop(bool wait) = 0;
    virtual void Tone(std::int32_t hz, std::int32_t ms, SoundDone done) = 0;
    // A sound or tone is playing or about to start.
    virtual bool IsPlaying() const = 0;
};

}  // namespace blenvar
