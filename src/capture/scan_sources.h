#pragma once
// What the "Setup" tab says of each scan source: its kind, name, vendor:product and
// whether Blenvar reads it, and if not, what it lacks.
#include <optional>
#include <string>
#include <vector>

#include "core/scan_sources.h"
#include "settings/settings_layout.h"

namespace blenvar {

struct SourceRow {
    std::string kind;  // "keyboard", "HID POS", "serial"
    std::string name;
    std::string ids;  // "vvvv:pppp", or empty when unknown
    std::string state;
    // A HID POS scanner Blenvar could read but PosScanners leaves alone.
    bool unusedPos = false;
};

// The port SerialScanner names, if it names one.
std::optional<SerialPortWanted> SerialPortOf(const CaptureSetup& setup);

// `keysThroughX11`: the X server reads the keyboards, so their nodes' rights do not
// matter. The recorded scanner gets a "missing" row while no keyboard matches it.
std::vector<SourceRow> SourceRows(const std::vector<ScanSource>& found, const CaptureSetup& setup,
                                  bool keysThroughX11);

}  // namespace blenvar
