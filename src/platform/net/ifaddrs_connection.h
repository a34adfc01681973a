#pragma once
#include "core/services.h"

namespace blenvar {

// Online when an interface other than loopback is up and running with an address that is
// not link-local: every interface that is up has an fe80:: address, which reaches nothing.
// There is no dial-up on these desktops, so dialling fails and hanging up succeeds.
class IfaddrsConnection : public Connection {
  public:
    int Online() override;
    bool Dial(bool) override { return false; }
    bool HangUp() override { return true; }
};

}  // namespace blenvar
