#include "settings_store.h"

#include <QSettings>
#include <memory>

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
    settings->setValue(section + QLatin1Char('/') + key, value);
    settings->sync();
}

}  // namespace velmora
