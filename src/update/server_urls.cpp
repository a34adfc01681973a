#include "update/server_urls.h"

#include "core/text.h"

namespace blenvar::update {

namespace {

// "https", "http" or "ftp" in lower case, "" for anything else.
std::string_view SchemeOf(std::string_view url) {
    const auto colon = url.find("://");
    if (colon == std::string_view::npos) return {};
    const auto scheme = ToLowerAscii(url.substr(0, colon));
    for (const std::string_view known : {"https", "http", "ftp"})
        if (scheme == known) return known;
    return {};
}

// Address of the server without trailing "/", which the paths below bring themselves.
std::string_view Base(std::string_view server) {
    server = Trim(server, kBlanks);
    while (!server.empty() && server.back() == '/') server.remove_suffix(1);
    return server;
}

// Everything but unreserved characters escaped, so a name cannot add path or query parts.
std::string PercentEncode(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters a path, query or fragment may hold as they are (RFC 3986), and "%" when it
// starts an escape.
bool IsPathCharacter(std::string_view s, std::size_t i) {
    const char c = s[i];
    if (c == '%') return i + 2 < s.size() && IsHexDigit(s[i + 1]) && IsHexDigit(s[i + 2]);
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::string_view("-._~!$&'()*+,;=:@/?#").find(c) != std::string_view::npos;
}

std::string PathEncode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (IsPathCharacter(s, i))
            out += s[i];
        else
            out += PercentEncode(s.substr(i, 1));
    }
    return out;
}

// The configured server's path is taken as it is, so it may hold only what a path
// holds: nothing that starts a query or fragment or needs escaping.
bool IsPlainPath(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i)
        if (!IsPathCharacter(path, i) || path[i] == '?' || path[i] == '#') return false;
    return true;
}

// A host name, IPv4 address or bracketed IPv6 address, with an optional port; no user
// information.
bool IsHostAndPort(std::string_view authority) {
    std::string_view port;
    if (!authority.empty() && authority[0] == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || close < 3) return false;
        for (const char c : authority.substr(1, close - 1))
            if (!IsHexDigit(c) && c != ':' && c != '.') return false;
        port = authority.substr(close + 1);
    } else {
        const auto colon = authority.find(':');
        const auto host = authority.substr(0, colon);
        if (host.empty() || host.front() == '.' || host.front() == '-') return false;
        for (const char c : host)
            if (!IsDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && c != '-' &&
                c != '.')
                return false;
        port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
    }
    if (port.empty()) return true;
    if (port[0] != ':' || port.size() < 2 || port.size() > 6) return false;
    for (const char c : port.substr(1))
        if (!IsDigit(c)) return false;
    return true;
}

}  // namespace

std::optional<std::string> RequestUrl(std::string_view updateServer, std::string_view executable) {
    const auto base = Base(updateServer);
    const auto scheme = SchemeOf(base);
    if (scheme != "http" && scheme != "https") return std::nullopt;
    return std::string(base) + "/version.asp?exe=" + PercentEncode(executable);
}

std::optional<std::string> PackageUrl(std::string_view packageServer, std::string_view updateServer,
                                      std::string_view fileName) {
    auto base = Base(packageServer);
    if (base.empty()) base = Base(updateServer);
    if (SchemeOf(base).empty()) return std::nullopt;
    return std::string(base) + "/MSI/" + PercentEncode(fileName);
}

std::optional<std::string> WebPageUrl(std::string_view updateServer, std::string_view pagePath) {
    const auto base = Base(updateServer);
    const auto scheme = SchemeOf(base);
    if (scheme != "http" && scheme != "https") return std::nullopt;
    auto rest = base.substr(scheme.size() + 3);
    const auto slash = rest.find('/');
    const auto authority = rest.substr(0, slash);
    const auto path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (!IsHostAndPort(authority) || !IsPlainPath(path)) return std::nullopt;
    std::string url = std::string(scheme) + "://" + std::string(authority) + std::string(path);
    if (pagePath.empty() || pagePath[0] != '/') url += '/';
    return url + PathEncode(pagePath);
}

std::string_view WithoutScheme(std::string_view url) {
    const auto colon = url.find("://");
    return colon == std::string_view::npos ? url : url.substr(colon + 3);
}

bool IsEncrypted(std::string_view url) {
    return SchemeOf(Trim(url, kBlanks)) == "https";
}

}  // namespace blenvar::update
