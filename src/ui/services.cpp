#include "services.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "print_run.h"
#include "qt_dialogs.h"
#include "remembered.h"
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
    static QSettingsStore settings;
    static QtDialogs dialogs(currentPrinter(), settings);
    // The printer last chosen, while it is still installed.
    const QString lastChosen = RememberedPrinter(settings);
    if (!lastChosen.isEmpty() && !QPrinterInfo::printerInfo(lastChosen).isNull()) {
        currentPrinter().setPrinterName(lastChosen);
    }
    static DesktopShell shell;
    static QPrinterDestination printer(currentPrinter());
    services() = Services{&dialogs, &settings, &shell, &printer};
}

}  // namespace velmora
