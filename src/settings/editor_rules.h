#pragma once
// Rules of the per-type settings editor, kept apart from its widgets: which controls a
// type shows, which fields their action's switch enables, how empty fields are filled
// and how a type's stored settings are taken into the editor.
#include <array>
#include <string_view>

#include "components/ini/ini_file.h"
#include "settings/settings_layout.h"

namespace blenvar {

// The controls that depend on the type or on a switch. Each carries the name it has
// always had; a settings key bears the name of the control that edits it.
enum class EditorControl {
    ScanToKeyboard,
    AddReturn,
    KeyboardMask,
    KMLabel,
    SendToClipboard,
    ClipboardMask,
    CMLabel,
    ExecuteCommand,
    CommandLine,
    CommandLabel,
    CommandOptions,
    OptionLabel,
    CommandHelp,
    SaveToFile,
    FileName,
    FileButton,
    FileFormat,
    FormatLabel,
    ExpandUPCE,
    ConvertISBNISSN,
    WebJump,
    IdentText,
    IdentLabel,
    SendToServer,
    ServerAddress,
    SALabel,
    ServerFormat,
    SFLabel,
    ServerNote,
    ServerCertificate,
    SCLabel,
    CertificateButton,
};
inline constexpr std::size_t kEditorControlCount = 32;

std::string_view ControlName(EditorControl c);
const std::array<EditorControl, kEditorControlCount>& EditorControls();
bool IsCheckBox(EditorControl c);
bool IsTextBox(EditorControl c);

// Comma-separated type names; "All" stands for every type but "UNKNOWN".
std::string_view VisibilityTag(EditorControl c);
// Whether a control with this tag shows for the type (none shows when typeName is "").
bool ShownForType(std::string_view tag, std::string_view typeName);
inline bool ControlShown(EditorControl c, std::string_view typeName) {
    return ShownForType(VisibilityTag(c), typeName);
}

// The switches that enable fields.
struct EditorSwitches {
    bool scanToKeyboard = false;
    bool sendToClipboard = false;
    bool executeCommand = false;
    bool saveToFile = false;
    bool otherEncoding = false;  // the "Other" encoding option is chosen
    bool sendToServer = false;
};
// A field follows its action's switch; the switches themselves and the rest stay enabled.
bool ControlEnabled(EditorControl c, const EditorSwitches& s);

// A text box's background: the entry colour of the type list while enabled, the window's
// colour while disabled.
enum class FieldBackground { Entry, Window };
inline FieldBackground BackgroundOf(EditorControl c, const EditorSwitches& s) {
    return ControlEnabled(c, s) ? FieldBackground::Entry : FieldBackground::Window;
}

// Empty or blank masks and file fields get their defaults back (FileName: the default
// file of the section in folder); CommandLine and CommandOptions may stay empty.
void FillEmptyFields(TypeSettings& s, std::string_view folder, std::string_view section);

// What the editor shows for a type: the defaults, with the stored value of each control
// the type shows. A check box takes only "0" or "1"; anything else keeps its default.
// Hidden controls keep their defaults, so the next save writes those.
TypeSettings LoadEditorSettings(INIFile& ini, std::string_view section, std::string_view folder);

// The warning shown under a server address that travels without encryption (http://,
// mqtt://); empty for any other address.
std::string_view UnencryptedNote(std::string_view address);

}  // namespace blenvar
