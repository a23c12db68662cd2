#pragma once

class QPrinter;

namespace velmora {

class Dialogs;
class PrintDestination;
class PrintJournal;
class SettingsStore;
class Shell;

// The platform services the windows use. The program installs the Qt implementations at start-up;
// tests install scripted ones. Nothing here owns what it points to.
struct Services {
    Dialogs* dialogs = nullptr;
    SettingsStore* settings = nullptr;
    Shell* shell = nullptr;
    PrintDestination* printer = nullptr;  // where every print run goes
    PrintJournal* journal = nullptr;      // where every form printed is recorded (none: not recorded)
};

Services& services();

// The program's current printer, one for the program's life: a high-resolution QPrinter on the
// system's default printer until an accepted printer dialog makes the chosen printer current.
QPrinter& currentPrinter();

// Installs Qt's dialogs, the user's settings store, the desktop shell, the current printer and the
// user's print journal (start-up).
void installDefaultServices();

}  // namespace velmora
