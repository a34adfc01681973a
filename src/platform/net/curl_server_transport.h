#pragma once
// HTTP POSTs to a server through libcurl, loaded at the first send: a program that
// sends nothing never maps it. Certificates are checked against the system's store.
#include <memory>

#include "core/services.h"

namespace blenvar {

class CurlServerTransport : public ServerTransport {
  public:
    CurlServerTransport();
    ~CurlServerTransport() override;
    // One request at a time; the connection is kept for the next one.
    ServerAnswer Send(const ServerRequest& request) override;

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

}  // namespace blenvar
