#include <QApplication>

#include "startup.h"
#include "window_registry.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    velmora::PrepareApplication();
    velmora::ShowMainWindow();
    const int result = QApplication::exec();
    // Closing the main window or the exit command has destroyed the windows already; this catches
    // any left by another way out of the event loop.
    velmora::WindowRegistry::instance().destroyAll();
    return result;
}
