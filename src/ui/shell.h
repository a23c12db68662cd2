#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// Opening a file with the viewer the desktop associates with it.
class Shell {
public:
    enum class OpenResult { Opened, NotFound, Failed };
    virtual ~Shell() = default;
    virtual OpenResult open(const QString& path) = 0;
};

// QDesktopServices; a missing file is recognised before the desktop is asked.
class DesktopShell final : public Shell {
public:
    OpenResult open(const QString& path) override;
};

// Records the paths it was asked to open and answers by whether the file exists.
class RecordingShell final : public Shell {
public:
    QStringList opened;
    OpenResult open(const QString& path) override;
};

}  // namespace velmora
