#include "output/process_scan.h"

#include <exception>
#include <vector>

#include "core/com_error.h"
#include "core/text.h"
#include "output/command_line.h"
#include "output/conversions.h"
#include "output/key_sequence.h"
#include "output/mask.h"
#include "output/settings_layout.h"

namespace blenvar {
namespace {

// Runs one step; anything it throws is told to the user and the next step still runs.
template <typename F>
void Step(Notifier& notifier, const std::string& what, F&& f) {
    try {
        f();
    } catch (const ComError& e) {
        notifier.Notify(what + " failed: " + e.Description());
    } catch (const std::exception& e) {
        notifier.Notify(what + " failed: " + e.what());
    }
}

bool LooksLikeAddress(const std::string& t) {
    if (t.rfind("www.", 0) == 0) return true;
    size_t colon = t.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = t[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;
    }
    return true;
}

// Types the mask and, when asked, Enter after it, as one sequence: Enter must never
// submit a field whose text was not typed.
void SendKeys(const std::string& section, const MarkedText& text, bool addReturn,
              DeliveryServices& s) {
    KeyParseResult parsed = ParseKeySequence(text.text, text.fromField);
    if (!parsed.ok()) {
        s.notifier.Notify("Nothing was typed for this " + section + " scan: " + parsed.error);
        return;
    }
    if (addReturn) parsed.actions.push_back(KeyAction{0, NamedKey::Enter, 0});
    if (!s.keys) {
        s.notifier.Notify("Nothing was typed for this " + section +
                          " scan: no desktop keyboard is available.");
        return;
    }
    std::string error;
    if (!s.keys->Send(parsed.actions, error))
        s.notifier.Notify("Typing the " + section + " scan failed: " + error);
}

void RunCommand(const ScanRecord& rec, DeliveryServices& s) {
    const std::string section = s.ini.Section();
    std::string file(Trim(FormatMask(s.ini.GetValue("CommandLine", ""), rec), kBlanks));
    // Options are split before the masks are applied, so scanned text never adds,
    // removes or splits an argument.
    std::vector<std::string> args;
    for (const auto& word : SplitCommandWords(s.ini.GetValue("CommandOptions", ""))) {
        std::string arg = FormatMask(word.text, rec);
        if (!arg.empty() || word.quoted) args.push_back(std::move(arg));
    }
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
        file = file.substr(1, file.size() - 2);
    if (file.empty()) {
        s.notifier.Notify("No command is set for " + section + " scans.");
        return;
    }
    std::string program = s.programs.FindProgram(file);
    if (!program.empty()) {
        std::string error;
        if (!s.starter.Start(program, args, error))
            s.notifier.Notify("The command for the " + section + " scan failed: " + error + ".");
        return;
    }
    if (file.find('/') == std::string::npos && !LooksLikeAddress(file)) {
        s.notifier.Notify("The command \"" + file + "\" for " + section + " scans was not found.");
        return;
    }
    if (!s.opener.Open(file))
        s.notifier.Notify("\"" + file + "\" could not be opened for the " + section + " scan.");
}

}  // namespace

void ProcessScan(ScanRecord& rec, bool reprocess, DeliveryServices& s) {
    s.ini.SetSection(rec.TypeName);
    ApplyConversions(rec, s.ini);

    s.ini.SetSection(rec.TypeName);
    const std::string section = s.ini.Section();
    Step(s.notifier, "Playing the " + section + " sound",
         [&] { s.sound.PlaySound(section, false); });

    if (!reprocess && ReadFlag(s.ini.GetValue("ScanToKeyboard", "0"))) {
        Step(s.notifier, "Typing the " + section + " scan", [&] {
            SendKeys(section,
                     FormatMaskMarked(s.ini.GetValue("KeyboardMask", kDefaultKeyboardMask), rec),
                     ReadFlag(s.ini.GetValue("AddReturn", "0")), s);
        });
    }

    if (ReadFlag(s.ini.GetValue("SendToClipboard", "1"))) {
        Step(s.notifier, "Copying the " + section + " scan", [&] {
            if (!s.clipboard.SetText(
                    FormatMask(s.ini.GetValue("ClipboardMask", kDefaultClipboardMask), rec)))
                s.notifier.Notify("The clipboard could not be set for the " + section + " scan.");
        });
    }

    if (ReadFlag(s.ini.GetValue("ExecuteCommand", "0"))) {
        Step(s.notifier, "The command for the " + section + " scan", [&] { RunCommand(rec, s); });
    }

    if (ReadTruth(s.ini.GetValue("SaveToFile", "0"))) {
        Step(s.notifier, "Saving the " + section + " scan", [&] {
            std::string path = s.ini.GetValue("FileName", DefaultFileName(s.dataFolder, section));
            std::string line = FormatMask(s.ini.GetValue("FileFormat", kDefaultFileFormat), rec);
            std::string error;
            if (!s.files.AppendLine(path, line, error))
                s.notifier.Notify("The " + section + " scan could not be added to \"" + path +
                                  "\": " + error + ".");
        });
    }

    s.tray.SetTrayImage(1);
}

}  // namespace blenvar
