#include "print_commands.h"

#include <QLineEdit>

#include "calibration.h"
#include "collate_dialog.h"
#include "dialogs.h"
#include "print_run.h"
#include "services.h"
#include "window_registry.h"

namespace velmora {

void PrintCalibration(QWidget* parent) {
    const CalibrationStore calibration(*services().settings);
    const PrintContext context{services().dialogs, parent, *services().printer,
                               [&calibration](const QString&) { return calibration.read(); }};
    const QString failure = PrintCalibrationFigure(context);
    if (!failure.isEmpty()) {
        services().dialogs->message(parent, QStringLiteral("校验图形没有打印出来。\n%1").arg(failure), {},
                                    MessageIcon::Exclamation);
    }
    CollateDialog* collate = WindowRegistry::instance().window<CollateDialog>();
    collate->show();
    collate->raise();
    collate->activateWindow();
    collate->Txy(0)->setText(calibration.text(Axis::X));
    collate->Txy(1)->setText(calibration.text(Axis::Y));
}

}  // namespace velmora
