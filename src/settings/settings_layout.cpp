#include "settings/settings_layout.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"

namespace blenvar {

namespace {

std::string_view SkipBlanks(std::string_view s) {
    const auto b = s.find_first_not_of(kBlanks);
    return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

// Length of the number at the start of s: digits, optional fraction, optional
// exponent. Sign handled by the caller.
std::size_t NumberLength(std::string_view s) {
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Parses the number at the start of s; `consumed` gets how much of s it used.
double ParseLeading(std::string_view s, std::size_t& consumed) {
    consumed = 0;
    bool negative = false;
    std::size_t start = 0;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        start = 1;
    }
    const std::size_t len = NumberLength(s.substr(start));
    if (len == 0) return 0.0;
    double value = 0.0;
    const char* first = s.data() + start;
    const auto res = std::from_chars(first, first + len, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large: infinite; too small: zero. Tell them apart by the exponent sign.
        const std::string_view num = s.substr(start, len);
        const std::size_t e = num.find_first_of("eE");
        value = (e != std::string_view::npos && e + 1 < num.size() && num[e + 1] == '-') ? 0.0
                                                                                         : HUGE_VAL;
    }
    consumed = start + len;
    return negative ? -value : value;
}

std::string Trimmed(std::string_view s) {
    return std::string(Trim(s));
}

}  // namespace

std::string DefaultFileName(std::string_view folder, std::string_view section) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    for (char c : section)
        if (c != ' ' && c != '/' && c != '\\') path.push_back(c);
    path += ".txt";
    return path;
}

const std::array<TypeSettingKey, 19>& TypeSettingKeys() {
    static const std::array<TypeSettingKey, 19> keys{{
        {kKeyScanToKeyboard, &TypeSettings::ScanToKeyboard},
        {kKeyAddReturn, &TypeSettings::AddReturn},
        {kKeyExecuteCommand, &TypeSettings::ExecuteCommand},
        {kKeyExpandUPCE, &TypeSettings::ExpandUPCE},
        {kKeyConvertISBNISSN, &TypeSettings::ConvertISBNISSN},
        {kKeySaveToFile, &TypeSettings::SaveToFile},
        {kKeyWebJump, &TypeSettings::WebJump},
        {kKeySendToClipboard, &TypeSettings::SendToClipboard},
        {kKeyClipboardMask, &TypeSettings::ClipboardMask},
        {kKeyCommandLine, &TypeSettings::CommandLine},
        {kKeyCommandOptions, &TypeSettings::CommandOptions},
        {kKeyFileFormat, &TypeSettings::FileFormat},
        {kKeyFileName, &TypeSettings::FileName},
        {kKeyIdentText, &TypeSettings::IdentText},
        {kKeyKeyboardMask, &TypeSettings::KeyboardMask},
        {kKeySendToServer, &TypeSettings::SendToServer},
        {kKeyServerAddress, &TypeSettings::ServerAddress},
        {kKeyServerFormat, &TypeSettings::ServerFormat},
        {kKeyServerCertificate, &TypeSettings::ServerCertificate},
    }};
    return keys;
}

TypeSettings LoadTypeSettings(INIFile& ini, std::string_view section, std::string_view folder) {
    TypeSettings s;
    s.FileName = DefaultFileName(folder, section);
    ini.SetSection(std::string(section));
    for (const auto& k : TypeSettingKeys()) {
        std::string& field = s.*k.field;
        field = ini.GetValue(k.key, field);
    }
    return s;
}

bool SaveTypeSettings(INIFile& ini, std::string_view section, const TypeSettings& settings) {
    ini.SetSection(std::string(section));
    std::vector<std::pair<std::string, std::string>> values;
    values.reserve(TypeSettingKeys().size());
    for (const auto& k : TypeSettingKeys())
        values.emplace_back(std::string(k.key), Trimmed(settings.*k.field));
    return ini.SaveValues(values);
}

namespace {

constexpr std::string_view kTrainedPrefixes[] = {"Start_", "Stop_"};
constexpr std::string_view kTrainedFields[] = {"Action", "State", "VCode", "SCode"};
constexpr std::int16_t TrainedKey::*kTrainedMembers[] = {&TrainedKey::Action, &TrainedKey::State,
                                                         &TrainedKey::VCode, &TrainedKey::SCode};

}  // namespace

std::int16_t Nearest16(long long value) {
    return static_cast<std::int16_t>(std::clamp<long long>(value, INT16_MIN, INT16_MAX));
}

TrainedKeys LoadTrainedKeys(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    TrainedKeys keys;
    TrainedKey* events[] = {&keys.start, &keys.stop};
    for (int e = 0; e < 2; ++e) {
        for (int f = 0; f < 4; ++f) {
            const std::string key =
                std::string(kTrainedPrefixes[e]) + std::string(kTrainedFields[f]);
            events[e]->*kTrainedMembers[f] = Nearest16(ReadLeadingInteger(ini.GetValue(key, "0")));
        }
    }
    return keys;
}

std::vector<std::pair<std::string, std::string>> TrainedKeyValues(const TrainedKeys& keys,
                                                                  std::string_view scannerDevice) {
    std::vector<std::pair<std::string, std::string>> values;
    const TrainedKey* events[] = {&keys.start, &keys.stop};
    for (int e = 0; e < 2; ++e) {
        for (int f = 0; f < 4; ++f)
            values.emplace_back(std::string(kTrainedPrefixes[e]) + std::string(kTrainedFields[f]),
                                std::to_string(events[e]->*kTrainedMembers[f]));
    }
    if (!scannerDevice.empty())
        values.emplace_back(std::string(kKeyScannerDevice), std::string(scannerDevice));
    return values;
}

bool SaveTrainedKeys(INIFile& ini, const TrainedKeys& keys, std::string_view scannerDevice) {
    ini.SetSection(std::string(kSetupSection));
    return ini.SaveValues(TrainedKeyValues(keys, scannerDevice));
}

std::string LoadEncoding(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    return ini.GetValue(kKeyEncoding);
}

bool SaveEncoding(INIFile& ini, std::string_view caption) {
    ini.SetSection(std::string(kSetupSection));
    return ini.SaveValue(kKeyEncoding, caption);
}

bool IsAimEncoding(std::string_view encoding) {
    return EqualsNoCaseAscii(encoding, kEncodingAim);
}

CloseBox LoadCloseBox(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    const std::string stored = ini.GetValue(kKeyCloseBox);
    const std::string_view answer = Trim(stored, kBlanks);
    return EqualsNoCaseAscii(answer, kCloseBoxClose)  ? CloseBox::Close
           : EqualsNoCaseAscii(answer, kCloseBoxHide) ? CloseBox::Hide
                                                      : CloseBox::Ask;
}

bool SaveCloseBox(INIFile& ini, CloseBox answer) {
    ini.SetSection(std::string(kSetupSection));
    return ini.SaveValue(kKeyCloseBox, answer == CloseBox::Close  ? kCloseBoxClose
                                       : answer == CloseBox::Hide ? kCloseBoxHide
                                                                  : std::string_view());
}

std::string LoadIdentText(INIFile& ini, std::string_view section) {
    ini.SetSection(std::string(section));
    return std::string(Trim(ini.GetValue(kKeyIdentText, kDefaultIdentText)));
}

Gs1Choice ReadGs1Choice(std::string_view stored) {
    const std::string_view s = Trim(stored, kBlanks);
    return s == "1" ? Gs1Choice::AlwaysGs1 : s == "0" ? Gs1Choice::NeverGs1 : Gs1Choice::Automatic;
}

std::string_view Gs1ChoiceText(Gs1Choice choice) {
    return choice == Gs1Choice::AlwaysGs1 ? "1" : choice == Gs1Choice::NeverGs1 ? "0" : "";
}

Gs1Choice LoadGs1Choice(INIFile& ini, std::string_view section) {
    ini.SetSection(std::string(section));
    return ReadGs1Choice(ini.GetValue(kKeyGs1));
}

bool SaveGs1Choice(INIFile& ini, std::string_view section, Gs1Choice choice) {
    ini.SetSection(std::string(section));
    return ini.SaveValue(kKeyGs1, Gs1ChoiceText(choice));
}

UpdateSettings LoadUpdateSettings(INIFile& ini, bool aptInstallAvailable) {
    ini.SetSection(std::string(kSetupSection));
    const auto read = [&](std::string_view key) {
        return std::string(Trim(ini.GetValue(key), kBlanks));
    };
    UpdateSettings s{read(kKeyUpdateServer), read(kKeyPackageServer), read(kKeyInstallCommand)};
    if (s.InstallCommand.empty())
        s.InstallCommand =
            aptInstallAvailable ? kDefaultInstallCommandApt : kDefaultInstallCommandOpen;
    return s;
}

std::optional<LayoutName> ParseLayoutName(std::string_view text) {
    const auto word = [](std::string_view w) {
        return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) {
            return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
                   c == '-';
        });
    };
    LayoutName name;
    const std::size_t open = text.find('(');
    name.layout = std::string(text.substr(0, open));
    if (open != std::string_view::npos) {
        if (!text.ends_with(')')) return std::nullopt;
        name.variant = std::string(text.substr(open + 1, text.size() - open - 2));
        if (!word(name.variant)) return std::nullopt;
    }
    if (!word(name.layout)) return std::nullopt;
    return name;
}

CaptureSetup LoadCaptureSetup(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    const auto read = [&](std::string_view key) {
        return std::string(Trim(ini.GetValue(key), kBlanks));
    };
    CaptureSetup s;
    const std::string backend = read(kKeyKeyboardBackend);
    if (EqualsNoCaseAscii(backend, kBackendX11)) s.backend = KeyboardBackend::X11;
    if (EqualsNoCaseAscii(backend, kBackendEvdev)) s.backend = KeyboardBackend::Evdev;
    s.scannerDevice = read(kKeyScannerDevice);
    s.keyboardLayout = read(kKeyKeyboardLayout);
    const auto refused = [&](std::string_view key, std::string& value, const char* instead) {
        if (value.empty() || ParseLayoutName(value)) return;
        if (!s.layoutProblem.empty()) s.layoutProblem += ' ';
        s.layoutProblem += std::string(key) + " \"" + value +
                           "\" is not a keyboard layout name (letters, digits, _ and -, with an "
                           "optional (variant)); " +
                           instead + " is used instead.";
        value.clear();
    };
    refused(kKeyKeyboardLayout, s.keyboardLayout, "the system's layout");
    s.scannerLayout = read(kKeyScannerLayout);
    refused(kKeyScannerLayout, s.scannerLayout, "the US table");
    const std::string page = read(kKeyScannerCodePage);
    if (page == "850" || page == "852") s.scannerCodePage = page == "850" ? 850 : 852;
    const std::string devices = read(kKeyCaptureDevices);
    if (EqualsNoCaseAscii(devices, kCaptureAll)) {
        s.devices = CaptureDevices::All;
    } else if (EqualsNoCaseAscii(devices, kCaptureScanner)) {
        s.devices = CaptureDevices::Scanner;
    } else {
        s.devices = s.scannerDevice.empty() ? CaptureDevices::All : CaptureDevices::Scanner;
    }
    s.posScanners = EqualsNoCaseAscii(read(kKeyPosScanners), kPosScannersAuto);
    if (const std::string serial = read(kKeySerialScanner); !serial.empty())
        s.serialScanner = ParseSerialScanner(serial, s.serialProblem);
    const std::string gap = read(kKeyScanGap);
    int ms = 0;
    const auto [end, ec] = std::from_chars(gap.data(), gap.data() + gap.size(), ms);
    if (ec == std::errc() && end == gap.data() + gap.size() && ms >= 1 && ms <= kMaxScanGap)
        s.scanGapMs = ms;
    return s;
}

std::optional<SerialScannerSetup> ParseSerialScanner(std::string_view text, std::string& problem) {
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t comma = text.find(',', from);
        parts.push_back(Trimmed(text.substr(from, comma - from)));
        if (comma == std::string_view::npos) break;
        from = comma + 1;
    }
    const auto refuse = [&](const std::string& why) -> std::optional<SerialScannerSetup> {
        problem = std::string(kKeySerialScanner) + " \"" + std::string(text) + "\": " + why +
                  "; no serial scanner is read.";
        return std::nullopt;
    };
    if (parts.size() > 3) return refuse("more than DEVICE,SPEED,FRAMING");
    SerialScannerSetup s;
    const std::string& device = parts[0];
    const auto hex4 = [](std::string_view t, std::uint16_t& v) {
        unsigned n = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n, 16);
        v = std::uint16_t(n);
        return t.size() == 4 && ec == std::errc() && end == t.data() + t.size();
    };
    if (device.size() == 9 && device[4] == ':' &&
        hex4(std::string_view(device).substr(0, 4), s.vendor) &&
        hex4(std::string_view(device).substr(5), s.product)) {
    } else if (device.starts_with('/')) {
        s.device = device;
    } else {
        return refuse("the device is neither a path nor vvvv:pppp");
    }
    if (parts.size() > 1) {
        static constexpr int kSpeeds[] = {1200,  2400,  4800,   9600,  19200,
                                          38400, 57600, 115200, 230400};
        const std::string& speed = parts[1];
        const auto [end, ec] = std::from_chars(speed.data(), speed.data() + speed.size(), s.speed);
        if (ec != std::errc() || end != speed.data() + speed.size() ||
            std::find(std::begin(kSpeeds), std::end(kSpeeds), s.speed) == std::end(kSpeeds))
            return refuse("the speed is not one of 1200 to 230400 baud");
    }
    if (parts.size() > 2) {
        const std::string& f = parts[2];
        if (f.size() != 3 || f[0] < '5' || f[0] > '8' ||
            std::string_view("NEOneo").find(f[1]) == std::string_view::npos ||
            (f[2] != '1' && f[2] != '2'))
            return refuse("the framing is not like 8N1 (data bits, N/E/O, stop bits)");
        s.dataBits = f[0] - '0';
        s.parity = char(f[1] & ~0x20);
        s.stopBits = f[2] - '0';
    }
    return s;
}

bool SaveCaptureDevices(INIFile& ini, CaptureDevices devices) {
    ini.SetSection(std::string(kSetupSection));
    return ini.SaveValue(kKeyCaptureDevices,
                         devices == CaptureDevices::All ? kCaptureAll : kCaptureScanner);
}

bool SavePosScannersAuto(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    return ini.SaveValue(kKeyPosScanners, kPosScannersAuto);
}

WindowPlace LoadWindowPlace(INIFile& ini) {
    ini.SetSection(std::string(kSetupSection));
    const auto number = [&](std::string_view key) -> std::optional<int> {
        const std::string text = Trimmed(ini.GetValue(key));
        if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos)
            return std::nullopt;
        return ReadLeadingInteger(text);
    };
    WindowPlace place;
    const auto width = number(kKeyWindowWidth), height = number(kKeyWindowHeight);
    if (width > 0 && height > 0) {
        place.width = *width;
        place.height = *height;
    }
    const auto x = number(kKeyWindowX), y = number(kKeyWindowY);
    if (x && y) place.position = {*x, *y};
    return place;
}

bool SaveWindowPlace(INIFile& ini, const WindowPlace& place) {
    ini.SetSection(std::string(kSetupSection));
    std::vector<std::pair<std::string, std::string>> values{
        {std::string(kKeyWindowWidth), std::to_string(place.width)},
        {std::string(kKeyWindowHeight), std::to_string(place.height)}};
    if (place.position) {
        values.emplace_back(kKeyWindowX, std::to_string(place.position->first));
        values.emplace_back(kKeyWindowY, std::to_string(place.position->second));
    }
    return ini.SaveValues(values);
}

bool LoadWebJump(INIFile& ini) {
    ini.SetSection(std::string(kTypeCode128));
    return ReadFlag(ini.GetValue(kKeyWebJump));
}

bool ReadFlag(std::string_view stored) {
    return stored == "1";
}

bool ReadTruth(std::string_view stored) {
    std::string_view s = Trim(stored, kBlanks);
    if (EqualsNoCaseAscii(s, "true")) return true;
    std::size_t consumed = 0;
    const double v = ParseLeading(s, consumed);
    return consumed != 0 && consumed == s.size() && v != 0.0;
}

double LeadingNumber(std::string_view stored) {
    std::size_t consumed = 0;
    return ParseLeading(SkipBlanks(stored), consumed);
}

bool ReadRoundedNumberOn(std::string_view stored) {
    return std::nearbyint(LeadingNumber(stored)) != 0.0;
}

int ReadLeadingInteger(std::string_view stored) {
    std::string_view s = SkipBlanks(stored);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    long long v = 0;
    for (char c : s) {
        if (!IsDigit(c)) break;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

}  // namespace blenvar
