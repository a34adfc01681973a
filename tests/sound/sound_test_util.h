#pragma once
// A recording player and notifier, and a private registry store, for the sound tests.
#include <sqlite3.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "components/sound/sound_control.h"
#include "registry/registry_fixture.h"

namespace blenvar::test {

// Records each request as "once FILE", "loop FILE", "stop", "tone HZ MS"; a sound ends
// at once.
class RecordingPlayer : public SoundPlayer {
  public:
    void Play(const std::string& file, PlayMode mode, SoundDone done) override {
        calls.push_back((mode == PlayMode::Loop ? "loop " : "once ") + file);
        if (done) done();
    }
    void Stop(bool) override { calls.push_back("stop"); }
    void Tone(std::int32_t hz, std::int32_t ms, SoundDone done) override {
        calls.push_back("tone " + std::to_string(hz) + " " + std::to_string(ms));
        if (done) done();
    }
    bool IsPlaying() const override { return false; }
    std::vector<std::string> calls;
};

class RecordingNotifier : public Notifier {
  public:
    void Notify(const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

// Garbage over a database's second page, where the keys' table starts.
inline void DamageSecondPage(const std::string& file) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096);
    const std::string junk(4096, '\xA5');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

// Holds a database's write lock as another process would, until it goes out of scope.
class OtherProcessLock {
  public:
    explicit OtherProcessLock(const std::string& file) {
        sqlite3_open(file.c_str(), &db_);
        locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE; UPDATE reg_value SET type = type;", nullptr,
                               nullptr, nullptr) == SQLITE_OK;
    }
    ~OtherProcessLock() { sqlite3_close(db_); }
    OtherProcessLock(const OtherProcessLock&) = delete;
    OtherProcessLock& operator=(const OtherProcessLock&) = delete;
    bool Locked() const { return locked_; }

  private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

class SoundFixture : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        store_ = Store();
    }
    // A fresh reader or writer of the store, as another program would be.
    SoundControl Control(const std::string& title = "Blenvar") {
        SoundControl sound(store_, player_, nullptr, notifier_);
        sound.SetAppTitle(title);
        return sound;
    }

    std::shared_ptr<RegistryStore> store_;
    RecordingPlayer player_;
    RecordingNotifier notifier_;
};

}  // namespace blenvar::test
