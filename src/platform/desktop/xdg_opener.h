#pragma once
#include "core/services.h"

namespace blenvar {

// The desktop's "open": runs xdg-open through the starter, so what it starts gets the
// starter's environment (the user's, not ours).
class XdgOpener : public ShellOpener {
  public:
    explicit XdgOpener(ProcessStarter& starter) : starter_(starter) {}
    bool Open(const std::string& target) override;

  private:
    ProcessStarter& starter_;
};

}  // namespace blenvar
