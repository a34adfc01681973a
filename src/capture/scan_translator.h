#pragma once
// The characters of a scan read on the keyboard layout the scanner types in (ScannerLayout)
// instead of the fixed US table. It sees every event of the scan, modifiers and locks
// included, since AltGr, Num Lock and dead keys are known only from their key codes.
#include <string>

#include "capture/hook_library.h"

namespace blenvar {

class ScanTranslator {
  public:
    virtual ~ScanTranslator() = default;
    // A scan opens: no key held, no dead key or Alt code pending.
    virtual void Begin() = 0;
    // The UTF-8 text the event types; most events type nothing.
    virtual std::string Translate(const KeyEvent& event) = 0;
};

// What `event` adds to a scan: through `translator`, or the fixed US table without one.
std::string ScanText(ScanTranslator* translator, const KeyEvent& event);

}  // namespace blenvar
