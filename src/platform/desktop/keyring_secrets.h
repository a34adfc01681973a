#pragma once
// Logins kept in the desktop's keyring (the Secret Service, through libsecret): items of
// the schema "org.blenvar.Server" whose attribute "server" is ServerKey() of the address.
// "kind" "authorization" holds an HTTP Authorization header's value; "kind" "password"
// holds the password of the attribute "user". For example (one line):
//   secret-tool store --label="Blenvar: inventory" xdg:schema org.blenvar.Server
//       server https://inventory.example.com:443 kind authorization
// Only unlocked collections are searched: a sender never asks the user anything. Without
// a session bus or a Secret Service on it, there is no login here and no complaint.
#include "core/server_secrets.h"

namespace blenvar {

class KeyringSecrets : public ServerSecrets {
  public:
    std::optional<ServerLogin> Login(const std::string& server, std::string& problem) override;
};

}  // namespace blenvar
