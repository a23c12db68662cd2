#include "settings_store.h"

#include <QFileInfo>
#include <QSettings>
#include <memory>

#include "safe_file.h"
#include "settings_keys.h"

namespace velmora {

namespace {

std::unique_ptr<QSettings> open(const QString& iniPath, const QString& application) {
    if (!iniPath.isEmpty()) {
        return std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(QSettings::UserScope, application, application);
}

}  // namespace

QString QSettingsStore::get(const QString& application, const QString& section, const QString& key) const {
    auto settings = open(iniPath_, application);
    const QVariant value = settings->value(section + QLatin1Char('/') + key);
    return value.isValid() ? value.toString() : QString();
}

void QSettingsStore::save(const QString& application, const QString& section, const QString& key,
                          const QString& value) {
    auto settings = open(iniPath_, application);
    // QSettings replaces its file through a temporary one and follows a link at its name: it writes
    // only into a folder that is its user's alone, where no one else can plant a link, and the file
    // is made readable by its user only after every write.
    const QString file = settings->fileName();
    // On Windows the store is the user's own registry key (named "\HKEY_CURRENT_USER\..."), no file.
    const bool registry = file.startsWith(QLatin1String("\\HKEY_"));
    if (!registry && (PreparePrivateFolder(QFileInfo(file).absolutePath()).state != PrivateState::Ok ||
                      QFileInfo(file).isSymLink())) {
        qWarning("Velmora: the settings file %s is not the user's alone; nothing saved", qPrintable(file));
        return;
    }
    settings->setValue(section + QLatin1Char('/') + key, value);
    settings->sync();
    if (!registry) {
        TightenPrivate(file);
    }
}

QString QSettingsStore::defaultFileName() {
    return QSettings(QSettings::UserScope, kSettingsApplication, kSettingsApplication).fileName();
}

}  // namespace velmora
