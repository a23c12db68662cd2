#include "print_run.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

#include "dialogs.h"
#include "draw_remittance.h"
#include "form_check.h"
#include "pdf_document.h"
#include "printer_surface_qt.h"

namespace velmora {

namespace {

const QString kLoadFormReminder = QStringLiteral("请在您选择的打印机中放入邮政汇款单。");
const QString kLoadFormTitle = QStringLiteral("友情提示");
const QString kCalibrationQuestion =
    QStringLiteral("您是否需要打印校验图形？如果要打印，请在打印机中放好A4纸一张。");
const QString kCalibrationTitle = QStringLiteral("打印位置校验");
const QString kCalibrateFirstTitle = QStringLiteral("打印机校准");

// Whether the document may go where the printer sends it: never over the workbook being read, the
// journal or the settings file, and over an existing file only when the operator agrees (asked when
// dialogs are given).
PrintResult checkOutput(const PrintContext& context, const DocumentInfo& info, bool ask) {
    const QString file = context.printer.outputFile(info);
    if (file.isEmpty()) {
        return {};
    }
    if (const QString refusal =
            OwnFileRefusal(file, info.workbook, context.journal ? context.journal->path() : QString());
        !refusal.isEmpty()) {
        return {PrintStatus::Failed, refusal};
    }
    if (ask && context.dialogs && QFileInfo::exists(file) &&
        !context.dialogs->askYesNo(
            context.parent,
            QStringLiteral("文件“%1”已经存在。是否替换它？").arg(QDir::toNativeSeparators(file)),
            QStringLiteral("打印到文件"))) {
        return {PrintStatus::Cancelled, {}};
    }
    return {};
}

}  // namespace

DocumentInfo FormDocument(const QString& payee, int record, int recordCount, const QString& workbook) {
    DocumentInfo info;
    info.title = record > 0 ? QStringLiteral("汇款单 %1/%2 %3").arg(record).arg(recordCount).arg(payee)
                            : QStringLiteral("汇款单 %1").arg(payee);
    info.title = info.title.trimmed();
    info.record = record;
    info.recordCount = recordCount;
    info.workbook = workbook;
    return info;
}

QString QPrinterDestination::printerName() const {
    return printer_.outputFileName().isEmpty() ? printer_.printerName() : QString();
}

QString QPrinterDestination::outputFile(const DocumentInfo& info) const {
    const QString file = printer_.outputFileName();
    if (file.isEmpty() || !info.numberedFile) {
        return file;
    }
    return NumberedFileName(file, info.record, info.recordCount);
}

std::unique_ptr<PrinterSurface> QPrinterDestination::openDocument(const DocumentInfo& info) {
    const QString file = outputFile(info);
    if (file.isEmpty()) {
        return std::make_unique<QtPrinterSurface>(printer_, info.title);
    }
    // The sheet the printer dialog chose, without margins: the origin is the sheet's corner.
    QPageLayout layout = printer_.pageLayout();
    layout.setMargins(QMarginsF(0, 0, 0, 0));
    return std::make_unique<PdfFileSurface>(file, layout, printer_.resolution());
}

PrintResult CheckCalibration(const PrintContext& context) {
    const QString printer = context.printer.printerName();
    const CalibrationReading calibration = context.calibration(printer);
    if (!calibration.problem.isEmpty()) {
        return {PrintStatus::Refused, calibration.problem};
    }
    if (!calibration.stored && context.dialogs) {
        const QString which = printer.isEmpty() ? QString() : QStringLiteral("“%1”").arg(printer);
        if (context.dialogs->askYesNo(
                context.parent,
                QStringLiteral("打印机%1还没有校准，汇款单会比各栏偏右、偏下约 10 毫米。\n\n"
                               "是否先按“打印机校准”校准这台打印机？选“否”照常打印。")
                    .arg(which),
                kCalibrateFirstTitle)) {
            PrintResult result{PrintStatus::Cancelled, {}};
            result.calibrateFirst = true;
            return result;
        }
    }
    return {};
}

PrintResult PrintRemittance(const FormContent& form, bool askPrinter, const PrintContext& context,
                            const DocumentInfo& info) {
    // A form the check refuses would print what the operator or the workbook does not hold: refuse it
    // before the operator is asked for anything.
    CheckedForm checked = CheckForm(form);
    checked.problems.insert(checked.problems.end(), info.doubts.begin(), info.doubts.end());
    if (!checked.printable()) {
        return {PrintStatus::Refused, checked.problemText()};
    }
    const bool ask = askPrinter && context.dialogs;
    if (ask) {
        if (!context.dialogs->showPrinter(context.parent)) {
            return {PrintStatus::Cancelled, {}};
        }
        if (const PrintResult calibration = CheckCalibration(context);
            calibration.status != PrintStatus::Printed) {
            return calibration;
        }
        context.dialogs->message(context.parent, kLoadFormReminder, kLoadFormTitle, MessageIcon::Exclamation);
    }
    if (const PrintResult output = checkOutput(context, info, ask); output.status != PrintStatus::Printed) {
        return output;
    }
    // Read anew for every form: a change in the offsets dialog applies to the next form printed.
    const CalibrationReading calibration = context.calibration(context.printer.printerName());
    if (!calibration.problem.isEmpty()) {
        return {PrintStatus::Refused, calibration.problem};
    }
    std::unique_ptr<PrinterSurface> surface = context.printer.openDocument(info);
    DrawRemittance(checked.form, calibration.value.offsets(), *surface);
    PrintResult result;
    if (surface->failed()) {
        result = {PrintStatus::Failed, surface->failure()};
    }
    RecordInJournal(context, checked.form, info,
                    result.status == PrintStatus::Printed ? JournalOutcome::Sent : JournalOutcome::Failed,
                    result);
    return result;
}

JournalEntry JournalEntryFor(const QString& destination, const FormContent& form, const DocumentInfo& info,
                             JournalOutcome outcome, const QString& reason) {
    JournalEntry entry;
    entry.destination = destination;
    entry.workbook = info.record > 0 ? info.workbook : QString();
    entry.sheet = info.record > 0 ? info.sheet : QString();
    entry.record = info.record;
    entry.reprintOf = info.reprintOf;
    entry.form = form;
    entry.outcome = outcome;
    entry.reason = reason;
    return entry;
}

void RecordInJournal(const PrintContext& context, const FormContent& form, const DocumentInfo& info,
                     JournalOutcome outcome, PrintResult& result) {
    if (!context.journal) {
        return;
    }
    const QString file = context.printer.outputFile(info);
    context.journal->record(
        JournalEntryFor(file.isEmpty() ? context.printer.printerName() : QDir::toNativeSeparators(file), form,
                        info, outcome, result.reason));
    result.journalTrouble = context.journal->takeTrouble();
}

QString PrintCalibrationFigure(const PrintContext& context) {
    if (!context.dialogs || !context.dialogs->showPrinter(context.parent) ||
        !context.dialogs->askYesNo(context.parent, kCalibrationQuestion, kCalibrationTitle)) {
        return {};
    }
    DocumentInfo info;
    info.title = QStringLiteral("校验图形");
    if (const PrintResult output = checkOutput(context, info, true); output.status != PrintStatus::Printed) {
        return output.reason;
    }
    // The corners in twips, single precision and not rounded to whole twips.
    const Twips nearCorner{static_cast<float>(ToTwips(kCalibrationFigureCorner).value)};
    const Twips farCorner{static_cast<float>(ToTwips(kCalibrationFigureFarCorner).value)};
    std::unique_ptr<PrinterSurface> surface = context.printer.openDocument(info);
    surface->fillRectangle(nearCorner, nearCorner, farCorner, farCorner);
    if (!surface->endDocument()) {
        return surface->failure();
    }
    return {};
}

}  // namespace velmora
