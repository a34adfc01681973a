#include "output/command_action.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/command_line.h"
#include "core/text.h"
#include "output/mask.h"

namespace blenvar {
namespace {

bool LooksLikeAddress(std::string_view t) {
    if (t.rfind("www.", 0) == 0) return true;
    const size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = t[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCaseAscii(s.substr(0, prefix.size()), prefix);
}

// A web address with a host and nothing a browser would not take: no blanks, no
// control characters.
bool IsWebAddress(std::string_view t) {
    std::string_view rest;
    if (StartsWithNoCase(t, "http://")) {
        rest = t.substr(7);
    } else if (StartsWithNoCase(t, "https://")) {
        rest = t.substr(8);
    } else {
        return false;
    }
    if (rest.empty() || rest.front() == '/') return false;
    for (char c : t)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return false;
    return true;
}

bool IsDesktopEntry(std::string_view path) {
    constexpr std::string_view kSuffix = ".desktop";
    return path.size() >= kSuffix.size() &&
           EqualsNoCaseAscii(path.substr(path.size() - kSuffix.size()), kSuffix);
}

// What the scan may have "open" take: the address itself, or the document's full path;
// "" when neither.
std::string OpenableForScan(const std::string& file, ProgramFinder& programs) {
    if (IsWebAddress(file)) return file;
    if (IsDesktopEntry(file)) return {};
    std::string document = programs.FindDocument(file);
    if (document.empty() || IsDesktopEntry(document)) return {};
    return document;
}

}  // namespace

void RunCommand(const ScanRecord& rec, const TypeSettings& settings, DeliveryServices& s) {
    const std::string section = s.ini.Section();
    const MarkedText line = FormatMaskMarked(settings.CommandLine, rec);
    std::string_view file = Trim(line.text, kBlanks);
    size_t begin = static_cast<size_t>(file.data() - line.text.data());
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
        file = file.substr(1, file.size() - 2);
        ++begin;
    }
    if (file.empty()) {
        s.notifier.Notify("No command is set for " + section + " scans.");
        return;
    }
    bool fromScan = false;
    for (size_t i = begin; i < begin + file.size(); ++i) fromScan = fromScan || line.fromField[i];
    const std::string target(file);

    if (fromScan) {
        const std::string openable = OpenableForScan(target, s.programs);
        if (openable.empty()) {
            s.notifier.Notify("The command \"" + target + "\" for " + section +
                              " scans was refused: a scanned value may only open a web address "
                              "(http or https) or an existing document.");
        } else if (!s.opener.Open(openable)) {
            s.notifier.Notify("\"" + openable + "\" could not be opened for the " + section +
                              " scan.");
        }
        return;
    }

    const std::string program = s.programs.FindProgram(target);
    if (!program.empty()) {
        // Options are split before the masks are applied, so scanned text never adds,
        // removes or splits an argument.
        std::vector<std::string> args;
        for (const auto& word : SplitCommandWords(settings.CommandOptions)) {
            std::string arg = FormatMask(word.text, rec);
            // A program's arguments cannot hold a NUL.
            std::erase(arg, '\0');
            if (!arg.empty() || word.quoted) args.push_back(std::move(arg));
        }
        std::string error;
        if (!s.starter.Start(program, args, error))
            s.notifier.Notify("The command for the " + section + " scan failed: " + error + ".");
        return;
    }
    if (target.find('/') == std::string::npos && !LooksLikeAddress(target)) {
        s.notifier.Notify("The command \"" + target + "\" for " + section +
                          " scans was not found.");
        return;
    }
    if (!s.opener.Open(target))
        s.notifier.Notify("\"" + target + "\" could not be opened for the " + section + " scan.");
}

}  // namespace blenvar
