#pragma once
// The translator that reads scans on the scanner's layout, as the settings name it.
#include <memory>
#include <string>

#include "capture/scan_translator.h"
#include "settings/settings_layout.h"

namespace blenvar {

// Null for the fixed US table: ScannerLayout empty, or (with `problem` set for the user)
// a layout this system does not have.
std::shared_ptr<ScanTranslator> ScannerLayoutFor(const CaptureSetup& setup, std::string& problem);

}  // namespace blenvar
