#include "platform/services.h"

#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

namespace velmora {

Services& services() {
    static Services instance;
    return instance;
}

void installDefaultServices() {
    static QtDialogs dialogs;
    static QSettingsStore settings;
    static DesktopShell shell;
    services() = Services{&dialogs, &settings, &shell};
}

}  // namespace velmora
