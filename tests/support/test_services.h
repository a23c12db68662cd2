#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "dialogs.h"
#include "journal.h"
#include "print_run.h"
#include "recording_surface.h"
#include "services.h"
#include "settings_store.h"
#include "shell.h"

namespace velmora::test {

// A printer that records every document drawn on it (at 600 dpi) with its description. Given a file,
// it stands for a printer writing files there.
class RecordingDestination final : public PrintDestination {
public:
    QString name = QStringLiteral("Recorder");
    QString file;
    bool failToStart = false;
    std::vector<RecordingSurface::Document> documents;
    std::vector<DocumentInfo> infos;
    std::function<void()> onOpen;  // called as each document opens

    QString printerName() const override { return file.isEmpty() ? name : QString(); }
    QString outputFile(const DocumentInfo& info) const override;
    std::unique_ptr<PrinterSurface> openDocument(const DocumentInfo& info) override;
};

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
