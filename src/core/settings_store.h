#pragma once

#include <QString>

namespace velmora {

// The per-user settings store: text by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or "" when the key is missing.
    virtual QString get(const QString& application, const QString& section, const QString& key) const = 0;
    virtual void save(const QString& application, const QString& section, const QString& key,
                      const QString& value) = 0;
};

// QSettings in the user's native store (organisation and application both the given application
// name), or, given a file path, an INI file at that path (tests). On Linux the file is readable by its
// user only, in a folder readable by its user only; a folder or file that is a link or another user's
// is never written.
class QSettingsStore final : public SettingsStore {
public:
    QSettingsStore() = default;
    explicit QSettingsStore(QString iniPath) : iniPath_(std::move(iniPath)) {}
    QString get(const QString& application, const QString& section, const QString& key) const override;
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override;
    // The program's own settings file in the user's native store.
    static QString defaultFileName();

private:
    QString iniPath_;
};

}  // namespace velmora
