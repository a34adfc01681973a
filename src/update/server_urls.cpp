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

std::string WebPageText(std::string_view updateServer, std::string_view pagePath) {
    auto base = Base(updateServer);
    if (const auto colon = base.find("://"); colon != std::string_view::npos)
        base.remove_prefix(colon + 3);
    return std::string(base) + std::string(pagePath);
}

bool IsEncrypted(std::string_view url) {
    return SchemeOf(Trim(url, kBlanks)) == "https";
}

}  // namespace blenvar::update
