#pragma once
#include "core/services.h"

namespace blenvar {

// The desktop's "open" (xdg-open behind QDesktopServices) for addresses and documents.
class QtShellOpener : public ShellOpener {
  public:
    bool Open(const std::string& target) override;
};

}  // namespace blenvar
