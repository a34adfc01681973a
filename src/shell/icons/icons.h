#pragma once
// The program's icons as Qt resources: ":/icons/tray-1.svg" (idle), "tray-2.svg" (scan
// open), "tray-3.svg" (scan captured), "tray-4.svg" (starting), ":/icons/blenvar.svg", and the
// version window's "version-1.svg" (idle), "version-2.svg" (checking), "version-3.svg" (update
// available), "version-4.svg" (current version).

// Registers the resources; a static library's resources stay unreachable until this runs.
// Call it once before the first QIcon is made (calling it again is harmless).
void InitBlenvarIcons();
