#include "safe_file.h"

#include <QDir>
#include <QFileInfo>

#include "journal.h"
#include "settings_store.h"

namespace velmora {

namespace {

// The real path of a file, or of the folder a file not yet there would be created in.
QString realPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) {
        return info.canonicalFilePath();
    }
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

}  // namespace

bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return false;
    }
    const std::optional<FileIdentity> first = IdentityOf(a);
    const std::optional<FileIdentity> second = IdentityOf(b);
    if (first || second) {
        return first == second;
    }
    return realPath(a) == realPath(b);
}

QString WriteFailure(const QString& shown, const QString& reason) {
    return QStringLiteral("无法写入文件“%1”：%2。请检查文件夹是否存在、是否可写，磁盘是否已满。")
        .arg(shown, reason);
}

QString TargetRefusal(PrivateState state, const QString& shown) {
    return state == PrivateState::Link ? QStringLiteral(
                                             "不能写入“%1”：它是一个符号链接。为免写到别人的文件里，"
                                             "程序不经链接写入文件，请另选一个文件名。")
                                             .arg(shown)
                                       : QStringLiteral("无法写入“%1”：它不是一个普通文件。").arg(shown);
}

QString OwnFileRefusal(const QString& target, const QString& workbook, const QString& journal) {
    const QString shown = QDir::toNativeSeparators(target);
    if (SameFile(target, workbook)) {
        return QStringLiteral("不能写入正在读取的工作簿“%1”，请另选一个文件名。").arg(shown);
    }
    // SQLite keeps a journal's pending changes in files beside it. Those are compared by name, never
    // opened: a handle held on them while another program's SQLite deletes and makes them again
    // disturbs its transaction (on Windows its file stays "delete pending"; Wine loses it).
    const QFileInfo written(target);
    for (const QString& kept : {journal, PrintJournal::defaultPath()}) {
        const QFileInfo own(kept);
        const QString after = written.fileName().startsWith(own.fileName(), Qt::CaseInsensitive)
                                  ? written.fileName().mid(own.fileName().size())
                                  : QString();
        const bool beside = !kept.isEmpty() && SameFile(written.absolutePath(), own.absolutePath()) &&
                            QStringList{"-journal", "-wal", "-shm"}.contains(after, Qt::CaseInsensitive);
        if (beside || SameFile(target, kept)) {
            return QStringLiteral("不能写入“%1”：它是 Velmora 的打印记录，请另选一个文件名。").arg(shown);
        }
    }
    if (SameFile(target, QSettingsStore::defaultFileName())) {
        return QStringLiteral("不能写入“%1”：它是 Velmora 的设置文件，请另选一个文件名。").arg(shown);
    }
    return {};
}

}  // namespace velmora
