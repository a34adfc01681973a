#pragma once
// Delivering one decoded scan by the settings of its barcode type.
#include <string>

#include "components/ini/ini_file.h"
#include "core/scan_record.h"
#include "core/services.h"
#include "output/key_sender.h"
#include "output/server_outbox.h"

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
    std::string dataFolder;          // where default output files go
    ServerOutbox* server = nullptr;  // null where nothing may be sent to a server
};

// Converts, plays the type's sound, then runs the keyboard (skipped when reprocessing),
// clipboard, command, file and server actions and sets the idle tray image. A failing action is
// reported through the notifier and never stops the ones after it. Keys are only queued:
// they go out after those of earlier scans, and a failure to type them is reported later.
// A server message is only committed to the outbox; a scan without an id gets one.
void ProcessScan(ScanRecord& rec, bool reprocess, DeliveryServices& s);

}  // namespace blenvar
