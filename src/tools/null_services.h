#pragma once
// Null objects for what blenvar-decode has no desktop part for, and the opener that
// remembers a web jump so it can be printed.
#include <string>

#include "core/services.h"

namespace blenvar {

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

// No tray icon to show the scan's progress on.
class NullTray : public TrayImage {
  public:
    void SetTrayImage(int) override {}
};

}  // namespace blenvar
