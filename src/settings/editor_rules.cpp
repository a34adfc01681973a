#include "settings/editor_rules.h"

#include <string>

#include "core/text.h"

namespace blenvar {
namespace {

enum class Kind { CheckBox, TextBox, Other };

struct ControlInfo {
    EditorControl control;
    std::string_view name;
    Kind kind;
    std::string_view tag;
};

constexpr std::string_view kEveryType = "All,Unknown";
constexpr std::string_view kKnownTypes = "All";

constexpr std::array<ControlInfo, kEditorControlCount> kControls{{
    {EditorControl::ScanToKeyboard, kKeyScanToKeyboard, Kind::CheckBox, kEveryType},
    {EditorControl::AddReturn, kKeyAddReturn, Kind::CheckBox, kEveryType},
    {EditorControl::KeyboardMask, kKeyKeyboardMask, Kind::TextBox, kEveryType},
    {EditorControl::KMLabel, "KMLabel", Kind::Other, kEveryType},
    {EditorControl::SendToClipboard, kKeySendToClipboard, Kind::CheckBox, kEveryType},
    {EditorControl::ClipboardMask, kKeyClipboardMask, Kind::TextBox, kEveryType},
    {EditorControl::CMLabel, "CMLabel", Kind::Other, kEveryType},
    {EditorControl::ExecuteCommand, kKeyExecuteCommand, Kind::CheckBox, kKnownTypes},
    {EditorControl::CommandLine, kKeyCommandLine, Kind::TextBox, kKnownTypes},
    {EditorControl::CommandLabel, "CommandLabel", Kind::Other, kKnownTypes},
    {EditorControl::CommandOptions, kKeyCommandOptions, Kind::TextBox, kKnownTypes},
    {EditorControl::OptionLabel, "OptionLabel", Kind::Other, kKnownTypes},
    {EditorControl::CommandHelp, "CommandHelp", Kind::Other, kKnownTypes},
    {EditorControl::SaveToFile, kKeySaveToFile, Kind::CheckBox, kEveryType},
    {EditorControl::FileName, kKeyFileName, Kind::TextBox, kEveryType},
    {EditorControl::FileButton, "FileButton", Kind::Other, kEveryType},
    {EditorControl::FileFormat, kKeyFileFormat, Kind::TextBox, kEveryType},
    {EditorControl::FormatLabel, "FormatLabel", Kind::Other, kKnownTypes},
    {EditorControl::ExpandUPCE, kKeyExpandUPCE, Kind::CheckBox, kTypeUpcE},
    {EditorControl::ConvertISBNISSN, kKeyConvertISBNISSN, Kind::CheckBox, kTypeEan13},
    {EditorControl::WebJump, kKeyWebJump, Kind::CheckBox, kTypeCode128},
    {EditorControl::IdentText, kKeyIdentText, Kind::TextBox, kKnownTypes},
    {EditorControl::IdentLabel, "IdentLabel", Kind::Other, kKnownTypes},
    {EditorControl::SendToServer, kKeySendToServer, Kind::CheckBox, kEveryType},
    {EditorControl::ServerAddress, kKeyServerAddress, Kind::TextBox, kEveryType},
    {EditorControl::SALabel, "SALabel", Kind::Other, kEveryType},
    {EditorControl::ServerFormat, kKeyServerFormat, Kind::TextBox, kEveryType},
    {EditorControl::SFLabel, "SFLabel", Kind::Other, kEveryType},
    {EditorControl::ServerNote, "ServerNote", Kind::Other, kEveryType},
    {EditorControl::ServerCertificate, kKeyServerCertificate, Kind::TextBox, kEveryType},
    {EditorControl::SCLabel, "SCLabel", Kind::Other, kEveryType},
    {EditorControl::CertificateButton, "CertificateButton", Kind::Other, kEveryType},
}};

const ControlInfo& Info(EditorControl c) {
    return kControls[static_cast<std::size_t>(c)];
}

std::string Fenced(std::string_view s) {
    return "," + ToLowerAscii(s) + ",";
}

}  // namespace

std::string_view ControlName(EditorControl c) {
    return Info(c).name;
}

const std::array<EditorControl, kEditorControlCount>& EditorControls() {
    static const auto all = [] {
        std::array<EditorControl, kEditorControlCount> a{};
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = kControls[i].control;
        return a;
    }();
    return all;
}

bool IsCheckBox(EditorControl c) {
    return Info(c).kind == Kind::CheckBox;
}

bool IsTextBox(EditorControl c) {
    return Info(c).kind == Kind::TextBox;
}

std::string_view VisibilityTag(EditorControl c) {
    return Info(c).tag;
}

bool ShownForType(std::string_view tag, std::string_view typeName) {
    if (typeName.empty()) return false;
    const std::string list = Fenced(tag);
    if (list.find(Fenced(typeName)) != std::string::npos) return true;
    return !EqualsNoCaseAscii(typeName, kTypeUnknown) && list.find(",all,") != std::string::npos;
}

bool ControlEnabled(EditorControl c, const EditorSwitches& s) {
    switch (c) {
        case EditorControl::AddReturn:
        case EditorControl::KMLabel:
        case EditorControl::KeyboardMask:
            return s.scanToKeyboard;
        case EditorControl::CMLabel:
        case EditorControl::ClipboardMask:
            return s.sendToClipboard;
        case EditorControl::CommandLine:
        case EditorControl::CommandOptions:
        case EditorControl::CommandLabel:
        case EditorControl::OptionLabel:
            return s.executeCommand;
        case EditorControl::FileName:
        case EditorControl::FileFormat:
        case EditorControl::FileButton:
        case EditorControl::FormatLabel:
            return s.saveToFile;
        case EditorControl::ServerAddress:
        case EditorControl::SALabel:
        case EditorControl::ServerFormat:
        case EditorControl::SFLabel:
        case EditorControl::ServerNote:
        case EditorControl::ServerCertificate:
        case EditorControl::SCLabel:
        case EditorControl::CertificateButton:
            return s.sendToServer;
        case EditorControl::IdentLabel:
        case EditorControl::IdentText:
            return s.otherEncoding;
        default:
            return true;
    }
}

void FillEmptyFields(TypeSettings& s, std::string_view folder, std::string_view section) {
    const TypeSettings defaults;
    for (std::string TypeSettings::*field :
         {&TypeSettings::ClipboardMask, &TypeSettings::CommandLine, &TypeSettings::CommandOptions,
          &TypeSettings::FileFormat, &TypeSettings::FileName, &TypeSettings::KeyboardMask}) {
        if (!Trim(s.*field).empty()) continue;
        s.*field =
            field == &TypeSettings::FileName ? DefaultFileName(folder, section) : defaults.*field;
    }
}

TypeSettings LoadEditorSettings(INIFile& ini, std::string_view section, std::string_view folder) {
    TypeSettings s;
    s.FileName = DefaultFileName(folder, section);
    ini.SetSection(std::string(section));
    for (EditorControl c : EditorControls()) {
        if (!ControlShown(c, section) || !(IsCheckBox(c) || IsTextBox(c))) continue;
        for (const TypeSettingKey& k : TypeSettingKeys()) {
            if (k.key != ControlName(c)) continue;
            std::string& field = s.*k.field;
            std::string stored = ini.GetValue(k.key, field);
            if (!IsCheckBox(c) || stored == "0" || stored == "1") field = std::move(stored);
        }
    }
    return s;
}

std::string_view UnencryptedNote(std::string_view address) {
    const std::string lower = ToLowerAscii(Trim(address));
    if (lower.starts_with("http://") || lower.starts_with("mqtt://"))
        return "Unencrypted: anyone on the network can read or change what is sent.";
    return {};
}

}  // namespace blenvar
