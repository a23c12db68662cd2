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
                               [&calibration](const QString& name) { return calibration.read(name); }};
    const QString failure = PrintCalibrationFigure(context);
    if (!failure.isEmpty()) {
        services().dialogs->message(parent, QStringLiteral("校验图形没有打印出来。\n%1").arg(failure), {},
                                    MessageIcon::Exclamation);
    }
    // The printer chosen (or, after a cancelled dialog, the current one) is the one calibrated.
    const QString printer = services().printer->printerName();
    CollateDialog* collate = WindowRegistry::instance().window<CollateDialog>();
    collate->show();
    collate->raise();
    collate->activateWindow();
    collate->setPrinter(printer);
    collate->Txy(0)->setText(calibration.text(Axis::X, printer));
    collate->Txy(1)->setText(calibration.text(Axis::Y, printer));
}

}  // namespace velmora
