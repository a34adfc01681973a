#include "core/server_secrets.h"

#include "core/text.h"

namespace blenvar {

std::string ServerKey(std::string_view address) {
    const std::size_t sep = address.find("://");
    if (sep == std::string_view::npos) return {};
    const std::string scheme = ToLowerAscii(address.substr(0, sep));
    std::string_view rest = address.substr(sep + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    // The port follows the last ':' outside an IPv6 literal's brackets.
    const std::size_t colon = rest.rfind(':');
    const bool hasPort = colon != std::string_view::npos &&
                         (rest.find(']') == std::string_view::npos || colon > rest.find(']'));
    std::string host = ToLowerAscii(hasPort ? rest.substr(0, colon) : rest);
    std::string port = hasPort ? std::string(rest.substr(colon + 1)) : std::string();
    if (port.empty()) {
        port = scheme == "https"   ? "443"
               : scheme == "mqtt"  ? "1883"
               : scheme == "mqtts" ? "8883"
                                   : "80";
    }
    return scheme + "://" + host + ":" + port;
}

}  // namespace blenvar
