#include "services.h"

#include <QPrinter>

#include "print_run.h"
#include "qt_dialogs.h"
#include "settings_store.h"
#include "shell.h"

namespace velmora {

Services& services() {
    static Services instance;
    return instance;
}

QPrinter& currentPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void installDefaultServices() {
    static QtDialogs dialogs(currentPrinter());
    static QSettingsStore settings;
    static DesktopShell shell;
    static QPrinterDestination printer(currentPrinter());
    services() = Services{&dialogs, &settings, &shell, &printer};
}

}  // namespace velmora
