#pragma once
// The decode driver: stamps a captured scan, picks the reading, fills the record and
// performs the reading's side effects (bad-scan sound and tray image, web jump).
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "core/scan_record.h"
#include "core/services.h"
#include "decode/identifier.h"

namespace blenvar {

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
};

// "h:nn:ssampm", lower-cased: 9:05:07am, 12:00:05am.
std::string FormatScanTime(const std::tm& t);
// "mm/dd/yyyy".
std::string FormatScanDate(const std::tm& t);

// Reads rec.Raw and fills every other field. Never fails: an unreadable scan becomes
// "UNKNOWN" with the raw text as its value.
void DecodeScan(ScanRecord& rec, DecodeContext& ctx);

}  // namespace blenvar
