#include "print_commands.h"

#include <QLineEdit>
#include <functional>

#include "calibration.h"
#include "collate_dialog.h"
#include "dialogs.h"
#include "form_check.h"
#include "journal.h"
#include "print_run.h"
#include "services.h"
#include "window_registry.h"

namespace velmora {

namespace {

// A print run from a window: the program's dialogs, printer and journal, the calibration of the
// printer chosen read from `calibration`.
PrintContext windowContext(QWidget* parent, const CalibrationStore& calibration) {
    return {services().dialogs, parent, *services().printer,
            [&calibration](const QString& name) { return calibration.reading(name); }, services().journal};
}

// Runs `print` in the context of the program's services, and tells the journal's trouble once.
PrintResult withContext(QWidget* parent, const std::function<PrintResult(const PrintContext&)>& print) {
    const CalibrationStore calibration(*services().settings);
    const PrintResult result = print(windowContext(parent, calibration));
    if (!result.journalTrouble.isEmpty()) {
        services().dialogs->message(
            parent, result.journalTrouble + QStringLiteral("\n汇款单照常打印，但不会记入打印记录。"),
            QStringLiteral("打印记录"), MessageIcon::Exclamation);
    }
    return result;
}

}  // namespace

PrintResult PrintFromWindow(const FormContent& form, bool askPrinter, QWidget* parent,
                            const DocumentInfo& info) {
    return withContext(parent, [&](const PrintContext& context) {
        return PrintRemittance(form, askPrinter, context, info);
    });
}

bool CalibrationAllowsPrinting(QWidget* parent) {
    const CalibrationStore calibration(*services().settings);
    const PrintResult result = CheckCalibration(windowContext(parent, calibration));
    TellNotPrinted(result, QStringLiteral("汇款单没有打印：\n"), parent);
    return result.status == PrintStatus::Printed;
}

void TellNotPrinted(const PrintResult& result, const QString& what, QWidget* parent) {
    if (result.calibrateFirst) {
        PrintCalibration(parent);
        return;
    }
    if (result.status != PrintStatus::Failed && result.status != PrintStatus::Refused) {
        return;
    }
    const QString reason = result.reason.isEmpty() ? QStringLiteral("打印机出错") : result.reason;
    services().dialogs->message(parent, what + reason, QString(), MessageIcon::Exclamation);
}

void RecordStopped(const FormContent& form, const DocumentInfo& info, const QString& reason,
                   QWidget* parent) {
    withContext(parent, [&](const PrintContext& context) {
        PrintResult result{PrintStatus::Cancelled, reason};
        RecordInJournal(context, CheckForm(form).form, info, JournalOutcome::Stopped, result);
        return result;
    });
}

void ReprintEntry(const JournalEntry& entry, QWidget* parent) {
    const QString payee = entry.form.text(Field::PayeeName);
    if (!services().dialogs->askYesNo(
            parent,
            QStringLiteral("再次打印 %1 %2？")
                .arg(payee, ReadAmount(entry.form.text(Field::Amount)).money.text()),
            QStringLiteral("重新打印"))) {
        return;
    }
    DocumentInfo info = FormDocument(payee);
    info.title += QStringLiteral("（重新打印）");
    info.record = entry.record;
    info.workbook = entry.workbook;
    info.sheet = entry.sheet;
    info.reprintOf = entry.id;
    TellNotPrinted(PrintFromWindow(entry.form, true, parent, info), QStringLiteral("汇款单没有打印：\n"),
                   parent);
}

void PrintCalibration(QWidget* parent) {
    const CalibrationStore calibration(*services().settings);
    const QString failure = PrintCalibrationFigure(windowContext(parent, calibration));
    if (!failure.isEmpty()) {
        services().dialogs->message(parent, QStringLiteral("校验图形没有打印出来。\n%1").arg(failure), {},
                                    MessageIcon::Exclamation);
    }
    // The printer chosen (or, after a cancelled dialog, the current one) is the one calibrated.
    const QString printer = services().printer->printerName();
    CollateDialog* collate = WindowRegistry::instance().window<CollateDialog>();
    WindowRegistry::showInFront(collate);
    collate->setPrinter(printer);
    collate->Txy(0)->setText(calibration.text(Axis::X, printer));
    collate->Txy(1)->setText(calibration.text(Axis::Y, printer));
}

}  // namespace velmora
