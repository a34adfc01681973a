#pragma once
// The program's icons as Qt resources: ":/icons/tray-1.svg" (idle), "tray-2.svg" (scan
// open), "tray-3.svg" (scan captured), "tray-4.svg" (starting) and ":/icons/blenvar.svg".

// Registers the resources; a static library's resources stay unreachable until this runs.
// Call it once before the first QIcon is made (calling it again is harmless).
void InitBlenvarIcons();
