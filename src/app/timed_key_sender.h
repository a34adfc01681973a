#pragma once
// The X11 key sender with its spare-keycode restore driven by a Qt timer, so a binding
// outlives the keys typed on it without delivery ever waiting for it.
#include <QTimer>

#include "output/key_sender.h"
#include "platform/x11/x11_key_sender.h"

namespace blenvar {

class TimedKeySender : public KeySender {
  public:
    // guard: marks our keystrokes so the capture never takes them for a scan.
    explicit TimedKeySender(SyntheticKeyGuard* guard = nullptr);
    bool Send(const std::vector<KeyAction>& actions, std::string& error) override;

  private:
    void Schedule();

    X11KeySender sender_;
    QTimer restore_;
};

}  // namespace blenvar
