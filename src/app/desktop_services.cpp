#include "app/desktop_services.h"

#include "app/timed_key_sender.h"
#include "components/registry/sqlite_registry_store.h"
#include "core/paths.h"
#include "platform/evdev/evdev_uinput.h"
#include "platform/evdev/uinput_key_sender.h"

namespace blenvar {

DesktopServices::DesktopServices(const DesktopSetup& setup, TrayImage& trayImage,
                                 Notifier& userNotifier)
    : tray(trayImage),
      notifier(userNotifier),
      starter(setup.environment),
      opener(starter),
      sound(std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths()), player, &starter,
            notifier),
      keys(setup.keyboard ? std::make_unique<TimedKeySender>(&keyGuard) : nullptr),
      dataFolder_(FolderOf(setup.settingsFile)) {
    settings.SetFileName(setup.settingsFile);
    // The decode driver refreshes once per scan; every read of that scan and its
    // delivery answers from the same content.
    settings.SetSnapshotReads(true);
}

DesktopServices::~DesktopServices() = default;

bool DesktopServices::TypeThroughVirtualKeyboard(const std::string& layout, std::string& error) {
    keys.reset();
    auto keyboard = VirtualKeyboard::Create(kUinputPath, error);
    if (!keyboard) return false;
    // Ours by identity, so the capture never grabs it and what we type is never a scan.
    virtualKeyboard_ = std::make_unique<VirtualKeyboard>(std::move(*keyboard));
    UinputKeySenderOptions options;
    options.layoutSetting = layout;
    keys = std::make_unique<UinputKeySender>(*virtualKeyboard_, options);
    return true;
}

DeliveryServices DesktopServices::Delivery() {
    return DeliveryServices{settings, sound, keys.get(), clipboard, starter,    starter,
                            opener,   files, tray,       notifier,  dataFolder_};
}

}  // namespace blenvar
