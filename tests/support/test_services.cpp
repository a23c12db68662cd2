#include "test_services.h"

namespace velmora::test {

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
