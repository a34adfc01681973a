#pragma once
// The decode driver: stamps a captured scan, picks the reading, fills the record and
// performs the reading's side effects (bad-scan sound and tray image, web jump).
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "core/scan_record.h"
#include "core/services.h"
#include "decode/identifier.h"

namespace blenvar {

// The date and time texts of scans, made again only when the clock shows another second.
class ScanStamp {
  public:
    void Stamp(const std::tm& now, ScanRecord& rec);

  private:
    std::tm last_{};
    bool made_ = false;
    std::string date_, time_;
};

// Settings a scan asks for, kept while the settings' content stays the same.
struct SettingsRead {
    std::uint64_t generation = 0;  // INIFile::Refresh()'s number when they were read
    std::optional<bool> aim;
    std::vector<std::optional<std::string>> identTexts;  // by position in the type list
};

struct DecodeContext {
    INIFile& ini;
    const std::vector<std::string>& typeList;  // LoadCodeTypes order, "UNKNOWN" first
    ShellOpener& opener;
    SoundEvents& sound;
    TrayImage& tray;
    Clock& clock;
    // Takes the place of the stored "Encoding" when set (a run of the command-line decoder).
    std::optional<std::string> encodingOverride = std::nullopt;
    // Identifiers compiled at earlier scans, by position in typeList.
    IdentifierCache identifiers = {};
    // False when the caller refreshes the settings itself, once for scans that arrived
    // together (a block of standard input), instead of once per scan.
    bool refreshPerScan = true;
    // What INIFile::Refresh() answered last: a caller that refreshes itself stores it.
    std::uint64_t settingsGeneration = 0;
    SettingsRead settingsRead = {};
    ScanStamp stamp = {};
};

// "h:nn:ssampm", lower-cased: 9:05:07am, 12:00:05am.
std::string FormatScanTime(const std::tm& t);
// "mm/dd/yyyy".
std::string FormatScanDate(const std::tm& t);

// Reads rec.Raw and fills every other field. Never fails: an unreadable scan becomes
// "UNKNOWN" with the raw text as its value. `identified`: the scanner itself put the
// symbology identifier in front (HID POS), so the text is read in AIM mode whatever
// "Encoding" says.
void DecodeScan(ScanRecord& rec, DecodeContext& ctx, bool identified = false);

}  // namespace blenvar
