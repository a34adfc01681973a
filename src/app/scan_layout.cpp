#include "app/scan_layout.h"

#include "platform/evdev/xkb_scan_translator.h"

namespace blenvar {

std::shared_ptr<ScanTranslator> ScannerLayoutFor(const CaptureSetup& setup, std::string& problem) {
    if (setup.scannerLayout.empty()) return nullptr;
    std::string error;
    std::shared_ptr<ScanTranslator> translator =
        MakeXkbScanTranslator(setup.scannerLayout, setup.scannerCodePage, error);
    if (!translator)
        problem = "ScannerLayout: " + error + " Scans are read on the US table instead.";
    return translator;
}

}  // namespace blenvar
