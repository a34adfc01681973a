#pragma once
// Logins to servers. They are looked up on the sender's thread at each send, from stores
// of the user's own (the desktop's keyring, a private file), never from the settings file
// and never kept in the outbox: a request carries the address, the transport asks here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace blenvar {

struct ServerLogin {
    std::string authorization;  // the value of an HTTP Authorization header
    std::string user;           // an MQTT user and password
    std::string password;
};

class ServerSecrets {
  public:
    virtual ~ServerSecrets() = default;
    // The login kept for `server` (ServerKey()), none when this store keeps none. Sets
    // `problem` for the user when the store holds logins that must not be used.
    virtual std::optional<ServerLogin> Login(const std::string& server, std::string& problem) = 0;
};

// "scheme://host:port" of an address, lower case, without a user, with the scheme's port
// when none is written: the name logins are kept under.
std::string ServerKey(std::string_view address);

// The stores in order: the first login found. A store's problem is kept only when no
// later store has a login.
class FirstServerSecrets : public ServerSecrets {
  public:
    explicit FirstServerSecrets(std::vector<ServerSecrets*> stores) : stores_(std::move(stores)) {}
    std::optional<ServerLogin> Login(const std::string& server, std::string& problem) override {
        for (ServerSecrets* store : stores_)
            if (auto login = store->Login(server, problem)) {
                problem.clear();
                return login;
            }
        return std::nullopt;
    }

  private:
    std::vector<ServerSecrets*> stores_;
};

}  // namespace blenvar
