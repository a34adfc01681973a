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

// UpdateServer without its scheme and trailing "/", followed by the page path.
std::string WebPageText(std::string_view updateServer, std::string_view pagePath);

// True for an https:// address (scheme in any case).
bool IsEncrypted(std::string_view url);

}  // namespace blenvar::update
