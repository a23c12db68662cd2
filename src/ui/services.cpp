#include "services.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include "journal.h"
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
    // The journal's database connection must close while Qt SQL still exists: before the
    // application object is gone, not among the static objects destroyed after it.
    static std::unique_ptr<PrintJournal> journal;
    journal = std::make_unique<PrintJournal>(PrintJournal::defaultPath());
    qAddPostRoutine([] {
        services().journal = nullptr;
        journal.reset();
    });
    services() = Services{&dialogs, &settings, &shell, &printer, journal.get()};
}

}  // namespace velmora
