#include "update/install_plan.h"

#include "core/text.h"
#include "core/command_line.h"
#include "update/server_urls.h"

namespace blenvar::update {

InstallDecision DecideInstall(std::string_view expectedSha256, std::string_view actualSha256,
                              std::string_view answerUrl, std::string_view packageUrl) {
    if (!expectedSha256.empty() && !EqualsNoCaseAscii(expectedSha256, actualSha256))
        return InstallDecision::Refuse;
    return IsEncrypted(answerUrl) && IsEncrypted(packageUrl) ? InstallDecision::Install
                                                             : InstallDecision::Ask;
}

std::optional<std::vector<std::string>> InstallArguments(std::string_view installCommand,
                                                         std::string_view packagePath) {
    constexpr std::string_view kPlaceholder = "%1";
    std::vector<std::string> args;
    bool placed = false;
    for (auto& word : SplitCommandWords(installCommand)) {
        std::string text;
        std::string_view rest = word.text;
        for (auto at = rest.find(kPlaceholder); at != std::string_view::npos;
             at = rest.find(kPlaceholder)) {
            text.append(rest.substr(0, at)).append(packagePath);
            rest.remove_prefix(at + kPlaceholder.size());
            placed = true;
        }
        text.append(rest);
        if (!text.empty() || word.quoted) args.push_back(std::move(text));
    }
    if (args.empty() || args.front().empty()) return std::nullopt;
    if (!placed) args.emplace_back(packagePath);
    return args;
}

}  // namespace blenvar::update
