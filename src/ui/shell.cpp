#include "shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace velmora {

Shell::OpenResult DesktopShell::open(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return OpenResult::NotFound;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? OpenResult::Opened : OpenResult::Failed;
}

Shell::OpenResult RecordingShell::open(const QString& path) {
    opened << path;
    return QFileInfo(path).isFile() ? OpenResult::Opened : OpenResult::NotFound;
}

}  // namespace velmora
