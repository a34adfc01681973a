#pragma once
// Logins kept in an INI file of the user's own ($XDG_CONFIG_HOME/blenvar/secrets.ini), a
// section per server, "[https://inventory.example.com:443]", holding "Authorization=" or
// "User=" and "Password=". A file that others may read, or that is not the user's, is
// never used: the send fails, saying why.
#include <string>

#include "core/server_secrets.h"

namespace blenvar {

class SecretsFile : public ServerSecrets {
  public:
    explicit SecretsFile(std::string path) : path_(std::move(path)) {}
    std::optional<ServerLogin> Login(const std::string& server, std::string& problem) override;

  private:
    std::string path_;
};

}  // namespace blenvar
