#pragma once
// The composition root: every real service a delivering program uses is built here, in
// one place, and handed to the components by reference. blenvar-decode --deliver uses it
// today; the tray program passes its own tray and notifier.
#include <memory>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "components/sound/sound_control.h"
#include "core/scan_sources.h"
#include "output/key_sender.h"
#include "output/process_scan.h"
#include "output/typing_gate.h"
#include "platform/desktop/keyring_secrets.h"
#include "platform/desktop/xdg_opener.h"
#include "platform/net/curl_downloader.h"
#include "platform/net/ifaddrs_connection.h"
#include "platform/net/qt_page_fetcher.h"
#include "platform/net/routed_server_transport.h"
#include "platform/posix/posix_file_appender.h"
#include "platform/posix/posix_process_starter.h"
#include "platform/posix/secrets_file.h"
#include "platform/posix/system_clock.h"
#include "platform/qt/lazy_sound_player.h"
#include "platform/qt/qt_clipboard.h"

namespace blenvar {

class VirtualKeyboard;

struct DesktopSetup {
    std::string settingsFile;
    bool keyboard = false;  // an X display is there to type into
    // What started programs get: the user's environment as it was when we started
    // (CopyEnvironment() before anything of ours is set).
    std::vector<std::string> environment;
};

// Needs the Qt application object to exist (the clipboard and the player live in it, and
// typing failures come back through its event loop).
class DesktopServices {
  public:
    DesktopServices(const DesktopSetup& setup, TrayImage& tray, Notifier& notifier);
    ~DesktopServices();
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    // With the evdev backend: keystrokes go through a virtual keyboard of our own, with
    // characters looked up on `layout` (KeyboardLayout; "" for the system's). False with
    // `error` set when it cannot be made; no key sender is left then (nothing is typed
    // wrong through X, which no longer sees the keyboard).
    bool TypeThroughVirtualKeyboard(const std::string& layout, std::string& error);

    // What ProcessScan delivers with; default output files go beside the settings file.
    DeliveryServices Delivery();

    TrayImage& tray;
    Notifier& notifier;
    INIFile settings;  // snapshot reads: checked once per scan
    SystemClock clock;
    LazySoundPlayer player;       // Qt Multimedia is loaded by the first sound
    PosixProcessStarter starter;  // also finds the programs a command names
    XdgOpener opener;
    SoundControl sound;
    // Shared by the X11 key sender and the capture: typing waits while a scan holds the
    // keyboard.
    TypingGate keyGate;
    std::unique_ptr<TypingQueue> keys;  // null without a display
    QtClipboard clipboard;
    PosixFileAppender files;
    // The update check's network.
    QtPageFetcher pages;
    IfaddrsConnection connection;
    CurlDownloader downloads;
    // "Send to a server": the outbox in the user's state folder, sent from while this
    // process holds its lock. Null when there is no home folder to keep it in. Logins come
    // from the keyring, else from secrets.ini beside the user's settings.
    KeyringSecrets keyringSecrets;
    SecretsFile secretsFile;
    FirstServerSecrets serverSecrets{{&keyringSecrets, &secretsFile}};
    RoutedServerTransport serverTransport{&serverSecrets};
    std::unique_ptr<ServerOutbox> server;
    // The devices scans can come from, as "Setup" lists them.
    std::unique_ptr<ScanSourceLister> sources;

  private:
    std::string dataFolder_;
    std::unique_ptr<VirtualKeyboard> virtualKeyboard_;
};

}  // namespace blenvar
