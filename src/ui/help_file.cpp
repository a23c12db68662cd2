#include "help_file.h"

#include <QCoreApplication>

#include "dialogs.h"
#include "services.h"
#include "shell.h"

namespace velmora {

QString HelpFilePath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help.txt");
}

void OpenHelpFile(QWidget* parent) {
    if (services().shell->open(HelpFilePath()) == Shell::OpenResult::NotFound) {
        services().dialogs->message(parent, QStringLiteral("找不到帮助文件"), QString(), MessageIcon::None);
    }
}

}  // namespace velmora
