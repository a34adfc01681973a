#pragma once
// Layout of the settings file: the global "Setup" keys, the fifteen per-type keys with
// their editor defaults and write order, and the rules by which stored text is read.
#include <array>
#include <string>
#include <string_view>

#include "components/ini/ini_file.h"
#include "output/mask.h"

namespace blenvar {

inline constexpr std::string_view kSetupSection = "Setup";
inline constexpr std::string_view kKeyEncoding = "Encoding";
inline constexpr std::string_view kEncodingAim = "AIM";
inline constexpr std::string_view kEncodingOther = "Other";

inline constexpr std::string_view kKeyScanToKeyboard = "ScanToKeyboard";
inline constexpr std::string_view kKeyAddReturn = "AddReturn";
inline constexpr std::string_view kKeyExecuteCommand = "ExecuteCommand";
inline constexpr std::string_view kKeyExpandUPCE = "ExpandUPCE";
inline constexpr std::string_view kKeyConvertISBNISSN = "ConvertISBNISSN";
inline constexpr std::string_view kKeySaveToFile = "SaveToFile";
inline constexpr std::string_view kKeyWebJump = "WebJump";
inline constexpr std::string_view kKeySendToClipboard = "SendToClipboard";
inline constexpr std::string_view kKeyClipboardMask = "ClipboardMask";
inline constexpr std::string_view kKeyCommandLine = "CommandLine";
inline constexpr std::string_view kKeyCommandOptions = "CommandOptions";
inline constexpr std::string_view kKeyFileFormat = "FileFormat";
inline constexpr std::string_view kKeyFileName = "FileName";
inline constexpr std::string_view kKeyIdentText = "IdentText";
inline constexpr std::string_view kKeyKeyboardMask = "KeyboardMask";

// The per-type settings as stored (flags "0"/"1"), initialised to the editor defaults.
// FileName has no fixed default: it is DefaultFileName() of the type's section.
struct TypeSettings {
    std::string ScanToKeyboard = "0";
    std::string AddReturn = "0";
    std::string ExecuteCommand = "0";
    std::string ExpandUPCE = "0";
    std::string ConvertISBNISSN = "1";
    std::string SaveToFile = "0";
    std::string WebJump = "0";
    std::string SendToClipboard = "1";
    std::string ClipboardMask{kDefaultClipboardMask};
    std::string CommandLine{kDefaultCommandLine};
    std::string CommandOptions{kDefaultCommandOptions};
    std::string FileFormat{kDefaultFileFormat};
    std::string FileName;
    std::string IdentText;
    std::string KeyboardMask{kDefaultKeyboardMask};
};

struct TypeSettingKey {
    std::string_view key;
    std::string TypeSettings::*field;
};

// All fifteen keys in the order a save writes them.
const std::array<TypeSettingKey, 15>& TypeSettingKeys();

// Loads a type's section; a missing key gets the editor default (FileName: the default
// file name for this section in `folder`).
TypeSettings LoadTypeSettings(INIFile& ini, std::string_view section, std::string_view folder);
// Writes all fifteen keys, texts trimmed of surrounding blanks. False if any write failed.
bool SaveTypeSettings(INIFile& ini, std::string_view section, const TypeSettings& settings);

// A trained key event as stored under "Start_"/"Stop_".
struct StoredKeyEvent {
    int Action = 0;
    int State = 0;
    int VCode = 0;
    int SCode = 0;
    friend bool operator==(const StoredKeyEvent&, const StoredKeyEvent&) = default;
};

// `prefix` is "Start_" or "Stop_".
StoredKeyEvent LoadTrainedKey(INIFile& ini, std::string_view prefix);
// Writes Start_Action, Start_State, Start_VCode, Start_SCode, then the Stop_ keys.
bool SaveTrainedKeys(INIFile& ini, const StoredKeyEvent& start, const StoredKeyEvent& stop);

// The stored `Encoding` text ("" when missing).
std::string LoadEncoding(INIFile& ini);
bool SaveEncoding(INIFile& ini, std::string_view caption);
bool IsAimEncoding(std::string_view encoding);

// Reading rules of stored values.
// Flag: on exactly when the text is "1".
bool ReadFlag(std::string_view stored);
// Truth value: a number other than 0, or the word True in any case. False and any
// other text are off.
bool ReadTruth(std::string_view stored);
// Leading numeric part ("12abc" -> 12, "abc" -> 0), as read for ConvertISBNISSN.
double LeadingNumber(std::string_view stored);
// On when the leading numeric part, taken to the nearest whole number (halves to
// even), is not 0.
bool ReadRoundedNumberOn(std::string_view stored);
// Leading integer ("-3x" -> -3, "abc" -> 0), clamped to the int range.
int ReadLeadingInteger(std::string_view stored);

}  // namespace blenvar
