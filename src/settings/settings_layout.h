#pragma once
// Layout of the settings file: the type sections, the global "Setup" keys, the nineteen
// per-type keys with their editor defaults and write order, and the rules by which
// stored text is read. Plain C++ below decoding and delivery: both take names from here.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "components/ini/ini_file.h"
#include "components/sound/scan_sounds.h"

namespace blenvar {

// Barcode type names; each also names the type's settings section.
inline constexpr std::string_view kTypeEan8 = "EAN 8";
inline constexpr std::string_view kTypeEan13 = "EAN 13";
inline constexpr std::string_view kTypeInterleaved2Of5 = "INTERLEAVED 2 OF 5";
inline constexpr std::string_view kTypeIsbn = "ISBN";
inline constexpr std::string_view kTypeIssn = "ISSN";
inline constexpr std::string_view kTypeCode39 = "CODE 39";
inline constexpr std::string_view kTypeCode128 = "CODE 128";
inline constexpr std::string_view kTypeCodabar = "CODABAR";
inline constexpr std::string_view kTypeUpcE = "UPC-E";
inline constexpr std::string_view kTypeUpcA = "UPC-A";
inline constexpr std::string_view kTypeUccEan128 = "UCC/EAN 128";
inline constexpr std::string_view kTypeUnknown = kUnknownSound;
// Types of the other AIM symbology identifiers (ISO/IEC 15424).
inline constexpr std::string_view kTypeTelepen = "TELEPEN";
inline constexpr std::string_view kTypeCodeOne = "CODE ONE";
inline constexpr std::string_view kTypeCode93 = "CODE 93";
inline constexpr std::string_view kTypeCode11 = "CODE 11";
inline constexpr std::string_view kTypePdf417 = "PDF417";
inline constexpr std::string_view kTypeMsi = "MSI";
inline constexpr std::string_view kTypeAnker = "ANKER";
inline constexpr std::string_view kTypeCodablock = "CODABLOCK";
inline constexpr std::string_view kTypePlessey = "PLESSEY";
inline constexpr std::string_view kTypeQrCode = "QR CODE";
inline constexpr std::string_view kTypeGs1QrCode = "GS1 QR CODE";
inline constexpr std::string_view kTypeIata2Of5 = "IATA 2 OF 5";
inline constexpr std::string_view kTypeIndustrial2Of5 = "INDUSTRIAL 2 OF 5";
inline constexpr std::string_view kTypeCode49 = "CODE 49";
inline constexpr std::string_view kTypeMaxiCode = "MAXICODE";
inline constexpr std::string_view kTypeDataMatrix = "DATA MATRIX";
inline constexpr std::string_view kTypeGs1DataMatrix = "GS1 DATA MATRIX";
inline constexpr std::string_view kTypeGs1DataBar = "GS1 DATABAR";
inline constexpr std::string_view kTypeHanXin = "HAN XIN";
inline constexpr std::string_view kTypeDotCode = "DOTCODE";
inline constexpr std::string_view kTypeAztec = "AZTEC";

inline constexpr std::string_view kSetupSection = "Setup";
// Defaults of each type's action texts.
inline constexpr std::string_view kDefaultKeyboardMask = "%%C";
inline constexpr std::string_view kDefaultClipboardMask = "%%C";
inline constexpr std::string_view kDefaultCommandLine = "";
inline constexpr std::string_view kDefaultCommandOptions = "";
inline constexpr std::string_view kDefaultFileFormat = R"(%%d,%%t,"%%S","%%T","%%C","%%X")";

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
// Sending to a server: SendToServer is the flag, ServerAddress the address mask (http://,
// https://, mqtt:// or mqtts://) and ServerFormat the body mask, empty for the scan as JSON.
// ServerCertificate names a PEM file the server's certificate is checked against (a server
// with a certificate of its own); empty for the system's store.
inline constexpr std::string_view kKeySendToServer = "SendToServer";
inline constexpr std::string_view kKeyServerAddress = "ServerAddress";
inline constexpr std::string_view kKeyServerFormat = "ServerFormat";
inline constexpr std::string_view kKeyServerCertificate = "ServerCertificate";
inline constexpr std::string_view kDefaultServerAddress = "";
inline constexpr std::string_view kDefaultServerFormat = "";
inline constexpr std::string_view kDefaultServerCertificate = "";

inline constexpr std::string_view kDefaultIdentText = "";
// Delivery and the editor both read a type never saved with this, so the box shows what
// a scan will do.
inline constexpr std::string_view kDefaultConvertISBNISSN = "0";

// GS1: whether a type's scans are read as GS1 element strings. Empty or missing (the
// default, "Automatic") follows the symbology identifier's modifier, "1" always, "0"
// never (and no envelope is looked for). Any other text is the default.
inline constexpr std::string_view kKeyGs1 = "GS1";
enum class Gs1Choice { Automatic, AlwaysGs1, NeverGs1 };
Gs1Choice ReadGs1Choice(std::string_view stored);
std::string_view Gs1ChoiceText(Gs1Choice choice);
Gs1Choice LoadGs1Choice(INIFile& ini, std::string_view section);
bool SaveGs1Choice(INIFile& ini, std::string_view section, Gs1Choice choice);

// Update check, in Setup because any other section would become a barcode type.
// UpdateServer: scheme and host of the version answer; empty means no check at all.
// PackageServer: scheme and host of the "/MSI/" package folder; empty means UpdateServer.
// InstallCommand: argument list with %1 for the downloaded package; empty means the
// default below.
inline constexpr std::string_view kKeyUpdateServer = "UpdateServer";
inline constexpr std::string_view kKeyPackageServer = "PackageServer";
inline constexpr std::string_view kKeyInstallCommand = "InstallCommand";
// Used where pkexec and apt-get both exist: a desktop "open" of a .deb often starts an
// archive viewer instead of an installer.
inline constexpr std::string_view kDefaultInstallCommandApt =
    "pkexec apt-get install --reinstall -y %1";
inline constexpr std::string_view kDefaultInstallCommandOpen = "xdg-open %1";

// Keyboard capture. KeyboardBackend: Auto (X11 in an X session, else the input devices),
// X11 or Evdev; any other text is Auto. CaptureDevices: Scanner (grab only the trained
// scanner device) or All (every keyboard); missing or other text means Scanner once
// ScannerDevice holds a device, else All. ScannerDevice: the device training recorded,
// `Name|vvvv:pppp`. ScanGap: in Scanner mode a scan also closes once the scanner has been
// silent this many ms (1 to 5000; other text is the default). KeyboardLayout: the XKB
// layout typed through the virtual keyboard, and whose modifier keys capture from the
// input devices reads (AltGr is no Alt), as "layout" or "layout(variant)"; empty for the
// system's. ScannerLayout: the layout the scanner types in, named the same way; the
// characters of scans come from it instead of the fixed US table, which empty keeps.
// ScannerCodePage: the OEM code page of the scanner's Alt+keypad codes, 437, 850 or 852;
// other text is 437. PosScanners: Auto reads every HID POS scanner the user may open; Off
// (the default, and any other text) leaves them to the point-of-sale program they may
// belong to.
// SerialScanner: DEVICE[,SPEED[,FRAMING]], a serial port path or the USB vendor:product
// (vvvv:pppp) of a serial device wherever it is plugged, a standard speed (9600 when left
// out) and data bits, parity and stop bits (8N1 when left out).
inline constexpr std::string_view kKeyPosScanners = "PosScanners";
inline constexpr std::string_view kKeySerialScanner = "SerialScanner";
inline constexpr std::string_view kPosScannersAuto = "Auto";
inline constexpr std::string_view kKeyKeyboardBackend = "KeyboardBackend";
inline constexpr std::string_view kBackendAuto = "Auto";
inline constexpr std::string_view kBackendX11 = "X11";
inline constexpr std::string_view kBackendEvdev = "Evdev";
inline constexpr std::string_view kKeyCaptureDevices = "CaptureDevices";
inline constexpr std::string_view kCaptureScanner = "Scanner";
inline constexpr std::string_view kCaptureAll = "All";
inline constexpr std::string_view kKeyScannerDevice = "ScannerDevice";
inline constexpr std::string_view kKeyKeyboardLayout = "KeyboardLayout";
inline constexpr std::string_view kKeyScanGap = "ScanGap";
inline constexpr std::string_view kKeyScannerLayout = "ScannerLayout";
inline constexpr std::string_view kKeyScannerCodePage = "ScannerCodePage";
inline constexpr int kDefaultScannerCodePage = 437;
inline constexpr int kDefaultScanGapMs = 100;
inline constexpr int kMaxScanGap = 5000;

struct SerialScannerSetup {
    std::string device;  // empty when the vendor and product pick it
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    int speed = 9600;
    int dataBits = 8;
    char parity = 'N';  // N, E or O
    int stopBits = 1;
};
// Nothing, with `problem` set, when the text is not one.
std::optional<SerialScannerSetup> ParseSerialScanner(std::string_view text, std::string& problem);

enum class KeyboardBackend { Auto, X11, Evdev };
enum class CaptureDevices { Scanner, All };

struct CaptureSetup {
    KeyboardBackend backend = KeyboardBackend::Auto;
    CaptureDevices devices = CaptureDevices::All;
    std::string scannerDevice;
    std::string keyboardLayout;  // a valid layout name, or empty for the system's
    std::string layoutProblem;   // for the user when a layout key was refused
    int scanGapMs = kDefaultScanGapMs;
    std::string scannerLayout;  // a valid layout name, or empty for the fixed table
    int scannerCodePage = kDefaultScannerCodePage;
    bool posScanners = false;
    std::optional<SerialScannerSetup> serialScanner;
    std::string serialProblem;  // for the user when SerialScanner was refused
};

// A layout as a layout key names it: "layout" or "layout(variant)", each made of ASCII
// letters, digits, '_' and '-'. The names become file names in the XKB data, so anything
// else (a "../" path) is refused.
struct LayoutName {
    std::string layout;
    std::string variant;
};
std::optional<LayoutName> ParseLayoutName(std::string_view text);

// The capture keys of Setup, texts trimmed of blanks and names read case-blind.
CaptureSetup LoadCaptureSetup(INIFile& ini);
// The user's choice on the Setup tab.
bool SaveCaptureDevices(INIFile& ini, CaptureDevices devices);
// PosScanners=Auto, when the user takes up the offer of a HID POS scanner.
bool SavePosScannersAuto(INIFile& ini);

// folder + "/" + section without blanks, "/" or "\" + ".txt". The separators are
// dropped so that "UCC/EAN 128" stays one file (UCCEAN128.txt) in the folder.
std::string DefaultFileName(std::string_view folder, std::string_view section);

// The per-type settings as stored (flags "0"/"1"), initialised to the editor defaults.
// FileName has no fixed default: it is DefaultFileName() of the type's section.
struct TypeSettings {
    std::string ScanToKeyboard = "0";
    std::string AddReturn = "0";
    std::string ExecuteCommand = "0";
    std::string ExpandUPCE = "0";
    std::string ConvertISBNISSN{kDefaultConvertISBNISSN};
    std::string SaveToFile = "0";
    std::string WebJump = "0";
    std::string SendToClipboard = "1";
    std::string ClipboardMask{kDefaultClipboardMask};
    std::string CommandLine{kDefaultCommandLine};
    std::string CommandOptions{kDefaultCommandOptions};
    std::string FileFormat{kDefaultFileFormat};
    std::string FileName;
    std::string IdentText{kDefaultIdentText};
    std::string KeyboardMask{kDefaultKeyboardMask};
    std::string SendToServer = "0";
    std::string ServerAddress{kDefaultServerAddress};
    std::string ServerFormat{kDefaultServerFormat};
    std::string ServerCertificate{kDefaultServerCertificate};
};

struct TypeSettingKey {
    std::string_view key;
    std::string TypeSettings::*field;
};

// All nineteen keys in the order a save writes them.
const std::array<TypeSettingKey, 19>& TypeSettingKeys();

// Loads a type's section; a missing key gets the editor default (FileName: the default
// file name for this section in `folder`).
TypeSettings LoadTypeSettings(INIFile& ini, std::string_view section, std::string_view folder);
// Writes all nineteen keys, texts trimmed of surrounding blanks, in one file replacement:
// all of them or none. False (reason in ini.LastWriteError()) when nothing was written.
bool SaveTypeSettings(INIFile& ini, std::string_view section, const TypeSettings& settings);

// A trained key event as stored under "Start_"/"Stop_" and as capture compares it: the
// file's values as the nearest 16-bit integers. All zero: untrained.
struct TrainedKey {
    std::int16_t Action = 0;
    std::int16_t State = 0;
    std::int16_t VCode = 0;
    std::int16_t SCode = 0;
    friend bool operator==(const TrainedKey&, const TrainedKey&) = default;
};

// The scanner's start and stop events. The start event alone decides whether a scanner
// is trained.
struct TrainedKeys {
    TrainedKey start;
    TrainedKey stop;
    bool Trained() const { return !(start == TrainedKey{}); }
};

// Out-of-range values must not wrap into another key.
std::int16_t Nearest16(long long value);

TrainedKeys LoadTrainedKeys(INIFile& ini);
// Writes Start_Action, Start_State, Start_VCode, Start_SCode, then the Stop_ keys, in one
// file replacement: a half-trained scanner is never stored.
// A non-empty `scannerDevice` is saved as ScannerDevice in the same write, so the keys and
// the device they came from never disagree in the file.
bool SaveTrainedKeys(INIFile& ini, const TrainedKeys& keys, std::string_view scannerDevice = {});
// The keys and values SaveTrainedKeys writes, in that order.
std::vector<std::pair<std::string, std::string>> TrainedKeyValues(const TrainedKeys& keys,
                                                                  std::string_view scannerDevice);

// The main window's size as the user last left it, and its place where the desktop lets a
// program choose one (X11). Unset or unreadable values: none, so the window picks its own.
inline constexpr std::string_view kKeyWindowWidth = "WindowWidth";
inline constexpr std::string_view kKeyWindowHeight = "WindowHeight";
inline constexpr std::string_view kKeyWindowX = "WindowX";
inline constexpr std::string_view kKeyWindowY = "WindowY";

struct WindowPlace {
    int width = 0;  // 0: none saved
    int height = 0;
    std::optional<std::pair<int, int>> position;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};
WindowPlace LoadWindowPlace(INIFile& ini);
// Size and, when given, position in one write.
bool SaveWindowPlace(INIFile& ini, const WindowPlace& place);

// The stored `Encoding` text ("" when missing).
std::string LoadEncoding(INIFile& ini);
bool SaveEncoding(INIFile& ini, std::string_view caption);
bool IsAimEncoding(std::string_view encoding);

// What the window's close box does: asked each time until the user says not to ask
// again; then CloseBox holds the answer, "Close" or "Hide" (any other text asks).
inline constexpr std::string_view kKeyCloseBox = "CloseBox";
inline constexpr std::string_view kCloseBoxClose = "Close";
inline constexpr std::string_view kCloseBoxHide = "Hide";
enum class CloseBox { Ask, Close, Hide };
CloseBox LoadCloseBox(INIFile& ini);
bool SaveCloseBox(INIFile& ini, CloseBox answer);

struct UpdateSettings {
    std::string UpdateServer;
    std::string PackageServer;
    std::string InstallCommand;
};

// The three update keys of Setup, trimmed of blanks; a missing or blank InstallCommand
// becomes the apt default when `aptInstallAvailable`, else the desktop's "open".
UpdateSettings LoadUpdateSettings(INIFile& ini, bool aptInstallAvailable);

// A type's identifier text, trimmed of spaces ("" when missing).
std::string LoadIdentText(INIFile& ini, std::string_view section);
// WebJump of the "CODE 128" section: on exactly when stored as "1".
bool LoadWebJump(INIFile& ini);

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
