#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "journal.h"
#include "print_run.h"
#include "recording_surface.h"
#include "scripted_dialogs.h"
#include "services.h"
#include "settings_store.h"
#include "shell.h"

namespace velmora::test {

// Scripted dialogs, a settings store and a print journal in a temporary folder, a recording shell
// and a recording printer, installed as the program's services for as long as the object lives.
class TestServices {
public:
    TestServices();
    ~TestServices();
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    ScriptedDialogs dialogs;
    RecordingShell shell;
    RecordingDestination printer;
    QSettingsStore& settings() { return *settings_; }
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettingsStore> settings_;

public:
    PrintJournal journal;

private:
    Services previous_;
};

}  // namespace velmora::test
