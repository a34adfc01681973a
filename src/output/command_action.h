#pragma once
// The command action: starts the program a type's CommandLine names, or opens it.
#include "core/scan_record.h"
#include "output/process_scan.h"
#include "settings/settings_layout.h"

namespace blenvar {

// A program is started directly only when its name is entirely the mask's own text. When
// the scan supplies any of it, the text is only opened, and only when it is an http or
// https address or an existing document (not executable, not a desktop entry): "open"
// can start custom URL handlers and launchers. Anything else is refused and reported.
void RunCommand(const ScanRecord& rec, const TypeSettings& settings, DeliveryServices& s);

}  // namespace blenvar
