#pragma once
// ScanTranslator on an XKB layout compiled with libxkbcommon, whatever layout the desktop
// uses. Plain C++, no Qt: both backends and headless capture read scans through it.
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "capture/layout_detection.h"
#include "capture/scan_translator.h"
#include "settings/settings_layout.h"

namespace blenvar {

// layout: ScannerLayout ("layout" or "layout(variant)"); oemCodePage: ScannerCodePage.
// includePath: the XKB data folder, empty for libxkbcommon's default. Null with `error`
// set when the layout does not compile.
std::unique_ptr<ScanTranslator> MakeXkbScanTranslator(std::string_view layout, int oemCodePage,
                                                      std::string& error,
                                                      const std::string& includePath = {});

// The translator the settings ask for (ScannerLayout, ScannerCodePage): null for the fixed
// US table, when ScannerLayout is empty or (with `problem` set for the user) names a layout
// this system does not have.
std::unique_ptr<ScanTranslator> ScannerTranslatorFor(const CaptureSetup& setup,
                                                     std::string& problem);

// The system's layouts and variants, as its XKB rules list names them; empty when the
// list cannot be read.
std::vector<LayoutEntry> SystemLayouts(
    const std::string& rulesList = "/usr/share/X11/xkb/rules/evdev.lst");

// The tables of `layouts` for MatchLayouts, leaving out those that do not compile. Takes
// seconds for a whole system's list, so run it off the user-interface thread; it stops
// early, with what it has, once `cancel` is set.
std::vector<LayoutTable> BuildLayoutTables(const std::vector<LayoutEntry>& layouts,
                                           const std::atomic<bool>& cancel,
                                           const std::string& includePath = {});

}  // namespace blenvar
