#pragma once
// The one transport the outbox sends through: HTTP(S) addresses go to libcurl, MQTT(S)
// ones to libmosquitto.
#include "platform/net/curl_server_transport.h"
#include "platform/net/mosquitto_server_transport.h"

namespace blenvar {

class RoutedServerTransport : public ServerTransport {
  public:
    // Both ask `secrets` for their logins at each connection or send.
    explicit RoutedServerTransport(ServerSecrets* secrets = nullptr)
        : http_(secrets), mqtt_(secrets) {}
    ServerAnswer Send(const ServerRequest& request) override;

  private:
    CurlServerTransport http_;
    MosquittoServerTransport mqtt_;
};

}  // namespace blenvar
