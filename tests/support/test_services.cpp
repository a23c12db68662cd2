#include "support/test_services.h"

namespace velmora::test {

TestServices::TestServices()
    : settings_(std::make_unique<QSettingsStore>(dir_.filePath(QStringLiteral("settings.ini")))),
      previous_(services()) {
    services() = Services{&dialogs, settings_.get(), &shell};
}

TestServices::~TestServices() {
    services() = previous_;
}

}  // namespace velmora::test
