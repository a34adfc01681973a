#pragma once
// A recording player and a private registry store for the sound tests.
#include <memory>
#include <string>
#include <vector>

#include "components/sound/sound_control.h"
#include "registry/registry_fixture.h"

namespace blenvar::test {

// Records each request as "wait FILE", "async FILE", "loop FILE", "stop", "tone HZ MS".
class RecordingPlayer : public SoundPlayer {
  public:
    void Play(const std::string& file, PlayMode mode) override {
        static const char* const kModes[] = {"wait ", "async ", "loop "};
        calls.push_back(kModes[static_cast<int>(mode)] + file);
    }
    void Stop(bool) override { calls.push_back("stop"); }
    void Tone(std::int32_t hz, std::int32_t ms) override {
        calls.push_back("tone " + std::to_string(hz) + " " + std::to_string(ms));
    }
    std::vector<std::string> calls;
};

class SoundFixture : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        store_ = Store();
    }
    // A fresh reader or writer of the store, as another program would be.
    SoundControl Control(const std::string& title = "Blenvar") {
        SoundControl sound(store_, player_, nullptr);
        sound.SetAppTitle(title);
        return sound;
    }

    std::shared_ptr<RegistryStore> store_;
    RecordingPlayer player_;
};

}  // namespace blenvar::test
