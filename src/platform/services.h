#pragma once

namespace velmora {

class Dialogs;
class SettingsStore;
class Shell;

// The platform services the windows and rules use. The program installs the Qt implementations at
// start-up; tests install scripted ones. Nothing here owns what it points to.
struct Services {
    Dialogs* dialogs = nullptr;
    SettingsStore* settings = nullptr;
    Shell* shell = nullptr;
};

Services& services();

// Installs Qt's dialogs, the user's settings store and the desktop shell (start-up).
void installDefaultServices();

}  // namespace velmora
