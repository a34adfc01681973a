#pragma once
// HTTP POSTs to a server through libcurl, loaded at the first send: a program that
// sends nothing never maps it. Certificates are checked against the system's store, or
// against the request's own certificate file; checking is never off. A login found for
// the server goes as its Authorization header, looked up at each send.
#include <memory>

#include "core/server_secrets.h"
#include "core/services.h"

namespace blenvar {

class CurlServerTransport : public ServerTransport {
  public:
    // Without `secrets` (or with none kept for a server) requests carry no login.
    explicit CurlServerTransport(ServerSecrets* secrets = nullptr);
    ~CurlServerTransport() override;
    // One request at a time; the connection is kept for the next one.
    ServerAnswer Send(const ServerRequest& request) override;

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    ServerSecrets* secrets_;
};

}  // namespace blenvar
