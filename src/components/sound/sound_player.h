#pragma once
// What the sound component needs from the platform: play a file, stop it, play a tone.
#include <cstdint>
#include <string>

namespace blenvar {

enum class PlayMode {
    Wait,   // play and return when the sound has ended
    Async,  // start playing and return at once
    Loop,   // start playing, repeat until stopped, return at once
};

// One sound plays at a time: Play or Stop ends the one that is playing.
// A file that is missing or can't be played is not an error; the player decides
// whether a fallback sounds instead.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const std::string& file, PlayMode mode) = 0;
    virtual void Stop(bool wait) = 0;
    // Returns when the tone has ended.
    virtual void Tone(std::int32_t hz, std::int32_t ms) = 0;
};

}  // namespace blenvar
