#pragma once
// Publishes to an MQTT broker through libmosquitto: mqtt:// and mqtts:// addresses, QoS 1,
// accepted only on the broker's PUBACK. The client's loop runs on the caller's thread
// inside Send (the outbox's sender), so the library starts no thread of its own and
// needs no locks; a connection the broker dropped while idle is found at the next send.
#include <functional>
#include <memory>
#include <string>

#include "core/services.h"

namespace blenvar {

// The user name and password for a broker; empty when it takes anonymous clients.
struct BrokerLogin {
    std::string user;
    std::string password;
};

class MosquittoServerTransport : public ServerTransport {
  public:
    // `login` is asked once per connection, with the broker's host; without it every
    // connection is anonymous.
    explicit MosquittoServerTransport(
        std::function<BrokerLogin(const std::string& host)> login = {});
    ~MosquittoServerTransport() override;
    // One publish at a time; the connection stays open for the next one.
    ServerAnswer Send(const ServerRequest& request) override;

  private:
    struct Client;
    void Close();
    bool Connect(const std::string& server, const std::string& host, int port, bool tls,
                 ServerAnswer& answer);

    std::function<BrokerLogin(const std::string& host)> login_;
    std::string clientId_;
    std::unique_ptr<Client> client_;
};

// Where an mqtt:// or mqtts:// address publishes to. The topic is the path as it stands:
// scan text in it was percent-encoded where it would make a level or a wildcard ("/", "+",
// "#", and "%" itself), and decoding it would undo exactly that, so each level reaches the
// subscriber encoded and a subscriber decodes it.
struct MqttTarget {
    bool tls = false;
    std::string host;
    int port = 0;
    std::string topic;
};
// False with `error` set when the address is no usable MQTT address.
bool ParseMqttAddress(const std::string& address, MqttTarget& target, std::string& error);

}  // namespace blenvar
