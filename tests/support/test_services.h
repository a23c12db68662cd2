#pragma once

#include <QTemporaryDir>
#include <memory>

#include "platform/dialogs.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

namespace velmora::test {

// Scripted dialogs, a settings store in a temporary folder and a recording shell, installed as the
// program's services for as long as the object lives.
class TestServices {
public:
    TestServices();
    ~TestServices();
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    ScriptedDialogs dialogs;
    RecordingShell shell;
    QSettingsStore& settings() { return *settings_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettingsStore> settings_;
    Services previous_;
};

}  // namespace velmora::test
