#pragma once
// ScanTranslator on an XKB layout compiled with libxkbcommon, whatever layout the desktop
// uses. Plain C++, no Qt: both backends and headless capture read scans through it.
#include <memory>
#include <string>
#include <string_view>

#include "capture/scan_translator.h"

namespace blenvar {

// layout: ScannerLayout ("layout" or "layout(variant)"); oemCodePage: ScannerCodePage.
// includePath: the XKB data folder, empty for libxkbcommon's default. Null with `error`
// set when the layout does not compile.
std::unique_ptr<ScanTranslator> MakeXkbScanTranslator(std::string_view layout, int oemCodePage,
                                                      std::string& error,
                                                      const std::string& includePath = {});

}  // namespace blenvar
