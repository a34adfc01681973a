#pragma once
// Stand-ins for the desktop while a scan is only decoded, not delivered.
#include <chrono>
#include <string>

#include "core/services.h"

namespace blenvar {

class SystemClock : public Clock {
  public:
    std::tm LocalNow() override {
        std::time_t t = std::time(nullptr);
        std::tm out{};
        localtime_r(&t, &out);
        return out;
    }
};

// Remembers the address a web jump asks for; forwards it when a real opener is given.
class RecordingOpener : public ShellOpener {
  public:
    explicit RecordingOpener(ShellOpener* real) : real_(real) {}
    bool Open(const std::string& target) override {
        last_ = target;
        return real_ ? real_->Open(target) : true;
    }
    const std::string& Last() const { return last_; }
    void Reset() { last_.clear(); }

  private:
    ShellOpener* real_;
    std::string last_;
};

class SilentSound : public SoundEvents {
  public:
    void PlaySound(const std::string&, bool) override {}
};

class NoTray : public TrayImage {
  public:
    void SetTrayImage(int) override {}
};

}  // namespace blenvar
