#include "output/process_scan.h"

#include <exception>
#include <utility>

#include "core/com_error.h"
#include "core/scan_id.h"
#include "decode/conversions.h"
#include "output/command_action.h"
#include "output/key_sequence.h"
#include "output/mask.h"
#include "output/server_message.h"
#include "settings/settings_layout.h"

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

// Types the mask and, when asked, Enter after it, as one sequence: Enter must never
// submit a field whose text was not typed.
void SendKeys(const std::string& section, const std::string& mask, const ScanRecord& rec,
              bool addReturn, DeliveryServices& s) {
    const MarkedText text = FormatMaskMarked(mask, rec);
    KeyParseResult parsed =
        ParseKeySequence(text.text, text.fromField, KeyTextSource{mask, &text.maskOffset});
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
    Notifier& notifier = s.notifier;
    s.keys->Type(std::move(parsed.actions), [&notifier, section](const std::string& error) {
        notifier.Notify("Typing the " + section + " scan failed: " + error);
    });
}

}  // namespace

void ProcessScan(ScanRecord& rec, bool reprocess, DeliveryServices& s) {
    s.ini.SetSection(rec.TypeName);
    ApplyConversions(rec, s.ini);

    // Every later step uses the settings of the type as converted.
    const TypeSettings set = LoadTypeSettings(s.ini, rec.TypeName, s.dataFolder);
    const std::string section = s.ini.Section();
    Step(s.notifier, "Playing the " + section + " sound",
         [&] { s.sound.PlaySound(section, false); });

    if (!reprocess && ReadFlag(set.ScanToKeyboard)) {
        Step(s.notifier, "Typing the " + section + " scan",
             [&] { SendKeys(section, set.KeyboardMask, rec, ReadFlag(set.AddReturn), s); });
    }

    if (ReadFlag(set.SendToClipboard)) {
        Step(s.notifier, "Copying the " + section + " scan", [&] {
            if (!s.clipboard.SetText(FormatMask(set.ClipboardMask, rec)))
                s.notifier.Notify("The clipboard could not be set for the " + section + " scan.");
        });
    }

    if (ReadFlag(set.ExecuteCommand)) {
        Step(s.notifier, "The command for the " + section + " scan",
             [&] { RunCommand(rec, set, s); });
    }

    if (ReadTruth(set.SaveToFile)) {
        Step(s.notifier, "Saving the " + section + " scan", [&] {
            std::string error;
            if (!s.files.AppendLine(set.FileName, FormatMask(set.FileFormat, rec), error))
                s.notifier.Notify("The " + section + " scan could not be added to \"" +
                                  set.FileName + "\": " + error + ".");
        });
    }

    if (ReadFlag(set.SendToServer)) {
        Step(s.notifier, "Sending the " + section + " scan to a server", [&] {
            if (rec.Id.empty()) rec.Id = NewScanId();
            ServerMessage m = MakeServerMessage(set.ServerAddress, set.ServerFormat, rec);
            m.request.certificate = set.ServerCertificate;
            std::string error = m.error;
            if (m.ok && !s.server) error = "this program does not send to servers.";
            if (m.ok && s.server && s.server->Add(m.request, error, {rec.TypeName, rec.Code}))
                return;
            s.notifier.Notify("The " + section + " scan was not sent to a server: " + error);
        });
    }

    s.tray.SetTrayImage(kTrayIdle);
}

}  // namespace blenvar
