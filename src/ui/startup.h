#pragma once

namespace velmora {

class MainWindow;

// Readies the application for its windows: its name and organisation "Velmora", the stand-in for
// 宋体 (before any window exists), the platform services, the window icon and the default font.
void PrepareApplication();

// Creates the main window through the window registry and shows it, centred on the screen.
MainWindow* ShowMainWindow();

}  // namespace velmora
