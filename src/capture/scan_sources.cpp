#include "capture/scan_sources.h"

#include <cstdio>

#include "capture/scanner_device.h"

namespace blenvar {
namespace {

std::string Ids(const std::optional<std::uint16_t>& vendor,
                const std::optional<std::uint16_t>& product) {
    if (!vendor || !product) return {};
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", unsigned(*vendor), unsigned(*product));
    return text;
}

std::string KindText(ScanSourceKind kind) {
    switch (kind) {
        case ScanSourceKind::HidPos:
            return "HID POS";
        case ScanSourceKind::Serial:
            return "serial";
        default:
            return "keyboard";
    }
}

}  // namespace

std::optional<SerialPortWanted> SerialPortOf(const CaptureSetup& setup) {
    if (!setup.serialScanner) return std::nullopt;
    const SerialScannerSetup& s = *setup.serialScanner;
    return SerialPortWanted{s.device, s.vendor, s.product};
}

std::vector<SourceRow> SourceRows(const std::vector<ScanSource>& found, const CaptureSetup& setup,
                                  bool keysThroughX11) {
    const std::optional<ScannerId> scanner = ParseScanner(setup.scannerDevice);
    const bool scannerOnly = setup.devices == CaptureDevices::Scanner && scanner;
    bool scannerSeen = false;
    std::vector<SourceRow> rows;
    for (const ScanSource& s : found) {
        SourceRow row{KindText(s.kind), s.name, Ids(s.vendor, s.product), "in use"};
        const bool denied = s.access == ScanSourceAccess::Denied;
        switch (s.kind) {
            case ScanSourceKind::Keyboard: {
                const bool isScanner =
                    scanner && ScannerMatches(*scanner, s.name, s.vendor, s.product);
                scannerSeen |= isScanner;
                if (denied && !keysThroughX11)
                    row.state = "no permission: needs the input group";
                else if (scannerOnly && !isScanner)
                    row.state = "not used: not the recorded scanner";
                break;
            }
            case ScanSourceKind::HidPos:
                if (denied)
                    row.state =
                        "no permission: needs the input group or the udev rule of blenvar's "
                        "package";
                else if (!setup.posScanners)
                    row.state = "not used: PosScanners is Off";
                row.unusedPos = !denied && !setup.posScanners;
                break;
            case ScanSourceKind::Serial:
                if (denied) row.state = "no permission: needs the dialout group";
                break;
        }
        if (s.access == ScanSourceAccess::Missing) row.state = "missing";
        rows.push_back(std::move(row));
    }
    if (scanner && !scannerSeen)
        rows.insert(rows.begin(), SourceRow{"keyboard", scanner->name,
                                            Ids(scanner->vendor, scanner->product), "missing"});
    return rows;
}

}  // namespace blenvar
