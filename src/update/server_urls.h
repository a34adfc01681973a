#pragma once
// Addresses built from the configured servers and the server's answer.
#include <optional>
#include <string>
#include <string_view>

namespace blenvar::update {

// UpdateServer + "/version.asp?exe=" + executable (percent-encoded). Nothing when the
// server is empty or not an http/https address: then no request is made.
std::optional<std::string> RequestUrl(std::string_view updateServer, std::string_view executable);

// (PackageServer, or UpdateServer when that is empty) + "/MSI/" + the file name
// (percent-encoded). Nothing when that server is not an http, https or ftp address.
std::optional<std::string> PackageUrl(std::string_view packageServer, std::string_view updateServer,
                                      std::string_view fileName);

// The page's address: UpdateServer's scheme, host, port and path, then the page path
// from the answer. The path always starts a path of its own (a "/" is put before it
// when it has none) and characters not allowed in a path are percent-encoded, so it
// never changes the host. Nothing when UpdateServer is not a plain http or https
// address or holds user information ("user@").
std::optional<std::string> WebPageUrl(std::string_view updateServer, std::string_view pagePath);

// The address as the link shows it: without "scheme://".
std::string_view WithoutScheme(std::string_view url);

// True for an https:// address (scheme in any case).
bool IsEncrypted(std::string_view url);

}  // namespace blenvar::update
