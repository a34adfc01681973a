#pragma once
#include "core/services.h"

namespace blenvar {

// Plain-text clipboard through QClipboard. On X11 the text lives as long as this process
// owns the selection, so the owner must keep running (see OwnsClipboard).
class QtClipboard : public Clipboard {
  public:
    bool SetText(const std::string& text) override;
    static bool OwnsClipboard();
};

}  // namespace blenvar
