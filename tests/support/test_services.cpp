#include "test_services.h"

#include "pdf_document.h"

namespace velmora::test {

QString RecordingDestination::outputFile(const DocumentInfo& info) const {
    if (file.isEmpty() || !info.numberedFile) {
        return file;
    }
    return NumberedFileName(file, info.record, info.recordCount);
}

std::unique_ptr<PrinterSurface> RecordingDestination::openDocument(const DocumentInfo& info) {
    infos.push_back(info);
    if (onOpen) {
        onOpen();
    }
    auto surface = std::make_unique<RecordingSurface>(600, &documents);
    surface->failToStart = failToStart;
    return surface;
}

TestServices::TestServices()
    : settings_(std::make_unique<QSettingsStore>(dir_.filePath(QStringLiteral("settings.ini")))),
      journal(dir_.filePath(QStringLiteral("journal/journal.sqlite"))),
      previous_(services()) {
    services() = Services{&dialogs, settings_.get(), &shell, &printer, &journal};
}

TestServices::~TestServices() {
    services() = previous_;
}

}  // namespace velmora::test
