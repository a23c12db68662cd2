#include "startup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "fonts.h"
#include "main_window.h"
#include "services.h"
#include "window_registry.h"

// The form picture and the icon are compiled into the library; a static library must ask for them.
static void initVelmoraResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora {

void PrepareApplication() {
    initVelmoraResources();
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    installSongFontSubstitutions();
    // Qt's own dialogs and buttons in Chinese (打印, 取消, 是, 否, 确定), as the program's windows.
    static QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
    installDefaultServices();
    // Message boxes and dialogs without a design of their own use 宋体 9 pt as well.
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    // Every window of the program shows the same icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora_icon.png")));
}

MainWindow* ShowMainWindow() {
    MainWindow* window = WindowRegistry::instance().window<MainWindow>();
    window->show();
    return window;
}

}  // namespace velmora
