#pragma once
// Publishes to an MQTT broker through libmosquitto: mqtt:// and mqtts:// addresses, QoS 1,
// accepted only on the broker's PUBACK. The client's loop runs on the caller's thread
// inside Send (the outbox's sender), so the library starts no thread of its own and
// needs no locks; a connection the broker dropped while idle is found at the next send.
#include <memory>
#include <string>

#include "core/server_secrets.h"
#include "core/services.h"

namespace blenvar {

class MosquittoServerTransport : public ServerTransport {
  public:
    // `secrets` is asked for the broker's user and password once per connection; without
    // it, or without a login kept for the broker, the connection is anonymous.
    explicit MosquittoServerTransport(ServerSecrets* secrets = nullptr);
    ~MosquittoServerTransport() override;
    // One publish at a time; the connection stays open for the next one.
    ServerAnswer Send(const ServerRequest& request) override;

  private:
    struct Client;
    void Close();
    bool Connect(const ServerRequest& request, const std::string& host, int port, bool tls,
                 ServerAnswer& answer);

    ServerSecrets* secrets_;
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
