#include "services.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPrinter>

#include "journal.h"
#include "print_run.h"
#include "qt_dialogs.h"
#include "safe_file.h"
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
    // The settings file and its folder are the user's alone, also those an earlier version left open.
    TightenPrivate(QSettingsStore::defaultFileName());
    TightenPrivate(QFileInfo(QSettingsStore::defaultFileName()).absolutePath());
    static QtDialogs dialogs(currentPrinter());
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
