#include "platform/net/routed_server_transport.h"

#include "output/server_message.h"

namespace blenvar {

ServerAnswer RoutedServerTransport::Send(const ServerRequest& request) {
    return IsMqttAddress(request.address) ? mqtt_.Send(request) : http_.Send(request);
}

}  // namespace blenvar
