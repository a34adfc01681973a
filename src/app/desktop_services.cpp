#include "app/desktop_services.h"

#include "components/registry/sqlite_registry_store.h"
#include "core/paths.h"
#include "platform/x11_key_sender.h"

namespace blenvar {

DesktopServices::DesktopServices(const DesktopSetup& setup, TrayImage& trayImage,
                                 Notifier& userNotifier)
    : sound(std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths()), player, &starter),
      keys(setup.keyboard ? std::make_unique<X11KeySender>() : nullptr),
      tray(trayImage),
      notifier(userNotifier),
      dataFolder_(FolderOf(setup.settingsFile)) {
    settings.SetFileName(setup.settingsFile);
}

DesktopServices::~DesktopServices() = default;

DeliveryServices DesktopServices::Delivery() {
    return DeliveryServices{settings, sound, keys.get(), clipboard, starter,    starter,
                            opener,   files, tray,       notifier,  dataFolder_};
}

}  // namespace blenvar
