#include "platform/net/ifaddrs_connection.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace blenvar {
namespace {

bool Reaches(const sockaddr* address) {
    if (!address) return false;
    if (address->sa_family == AF_INET) {
        const auto ip = ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
        return (ip >> 16) != 0xA9FE && (ip >> 24) != 127;  // 169.254/16, 127/8
    }
    if (address->sa_family == AF_INET6) {
        const auto& ip = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        return !IN6_IS_ADDR_LINKLOCAL(&ip) && !IN6_IS_ADDR_LOOPBACK(&ip);
    }
    return false;  // link-layer entries carry no route
}

}  // namespace

int IfaddrsConnection::Online() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return 0;
    int state = 0;
    for (const ifaddrs* entry = list; entry && state == 0; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if ((flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK) &&
            Reaches(entry->ifa_addr)) {
            state = 2;
        }
    }
    freeifaddrs(list);
    return state;
}

}  // namespace blenvar
