#pragma once
// Delivering one decoded scan by the settings of its barcode type.
#include <string>

#include "components/ini/ini_file.h"
#include "core/scan_record.h"
#include "core/services.h"
#include "output/key_sender.h"

namespace blenvar {

struct DeliveryServices {
    INIFile& ini;
    SoundEvents& sound;
    TypingQueue* keys;  // null where no desktop keyboard exists: the keyboard step reports it
    Clipboard& clipboard;
    ProcessStarter& starter;
    ProgramFinder& programs;
    ShellOpener& opener;
    FileAppender& files;
    TrayImage& tray;
    Notifier& notifier;
    std::string dataFolder;  // where default output files go
};

// Converts, plays the type's sound, then runs the keyboard (skipped when reprocessing),
// clipboard, command and file actions and sets the idle tray image. A failing action is
// reported through the notifier and never stops the ones after it. Keys are only queued:
// they go out after those of earlier scans, and a failure to type them is reported later.
void ProcessScan(ScanRecord& rec, bool reprocess, DeliveryServices& s);

}  // namespace blenvar
