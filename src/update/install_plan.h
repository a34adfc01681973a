#pragma once
// Whether a downloaded package may be installed, and the installer's argument list.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace blenvar::update {

enum class InstallDecision {
    Install,  // go ahead
    Ask,      // ask kAskUnencrypted, default No
    Refuse,   // delete the package, install nothing
};

// `expectedSha256` is the answer's field 5 ("" when absent), `actualSha256` the hex
// digest of the downloaded file; the addresses are where the answer and the package came
// from after redirects. A mismatch is refused; otherwise the install goes ahead only when
// both came over https, since a checksum sent in the clear proves nothing.
InstallDecision DecideInstall(std::string_view expectedSha256, std::string_view actualSha256,
                              std::string_view answerUrl, std::string_view packageUrl);

// InstallCommand split by the Windows command-line rules, every "%1" replaced by the
// package path inside its argument (so the path stays one argument however it is
// written); without any "%1" the path is added as the last argument. Nothing when the
// command has no program. The list is started directly, never through a shell.
std::optional<std::vector<std::string>> InstallArguments(std::string_view installCommand,
                                                         std::string_view packagePath);

}  // namespace blenvar::update
