#include "app/desktop_services.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>

#include "components/registry/sqlite_registry_store.h"
#include "core/paths.h"
#include "output/typing_thread.h"
#include "platform/evdev/evdev_uinput.h"
#include "platform/evdev/scan_source_lister.h"
#include "platform/evdev/uinput_key_sender.h"
#include "platform/x11/x11_key_sender.h"
namespace blenvar {
namespace {

std::unique_ptr<TypingQueue> TypeOnItsOwnThread(std::function<std::unique_ptr<KeySender>()> make) {
    return std::make_unique<TypingThread>(std::move(make), [](std::function<void()> f) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
    });
}

}  // namespace

DesktopServices::DesktopServices(const DesktopSetup& setup, TrayImage& trayImage,
                                 Notifier& userNotifier)
    : tray(trayImage),
      notifier(userNotifier),
      starter(setup.environment),
      opener(starter),
      sound(std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths()), player, &starter,
            notifier),
      keys(setup.keyboard
               ? TypeOnItsOwnThread([this] { return std::make_unique<X11KeySender>(&keyGate); })
               : nullptr),
      secretsFile(BlenvarConfigFolder().empty() ? std::string()
                                                : BlenvarConfigFolder() + "/secrets.ini"),
      sources(std::make_unique<EvdevScanSourceLister>()),
      dataFolder_(FolderOf(setup.settingsFile)) {
    settings.SetFileName(setup.settingsFile);
    // The decode driver refreshes once per scan; every read of that scan and its
    // delivery answers from the same content.
    settings.SetSnapshotReads(true);
    // The package of the last update stayed for its installer.
    CurlDownloader::RemoveLeftovers();
    if (const std::string state = BlenvarStateFolder(); !state.empty()) {
        ServerOutboxSetup outbox{
            state + "/outbox.sqlite", state + "/outbox.lock", [] {
                using namespace std::chrono;
                return static_cast<std::int64_t>(
                    duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
            }};
        server = std::make_unique<ServerOutbox>(std::move(outbox), &serverTransport);
    }
}

DesktopServices::~DesktopServices() {
    server.reset();  // its thread sends through serverTransport
    keys.reset();    // its thread may still type through the virtual keyboard
}

bool DesktopServices::TypeThroughVirtualKeyboard(const std::string& layout, std::string& error) {
    keys.reset();
    auto keyboard = VirtualKeyboard::Create(kUinputPath, error);
    if (!keyboard) return false;
    // Ours by identity, so the capture never grabs it and what we type is never a scan.
    virtualKeyboard_ = std::make_unique<VirtualKeyboard>(std::move(*keyboard));
    UinputKeySenderOptions options;
    options.layoutSetting = layout;
    keys = TypeOnItsOwnThread([keyboard = virtualKeyboard_.get(), options] {
        return std::make_unique<UinputKeySender>(*keyboard, options);
    });
    return true;
}

DeliveryServices DesktopServices::Delivery() {
    return DeliveryServices{settings, sound, keys.get(), clipboard, starter,     starter,
                            opener,   files, tray,       notifier,  dataFolder_, server.get()};
}

}  // namespace blenvar
