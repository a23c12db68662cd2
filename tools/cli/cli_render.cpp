// velmora-cli render: forms drawn by DrawRemittance, into a PDF file whose printable area is the whole
// A4 sheet (so calibration distances of 10 put every field at its place on the form stock), or on a
// printer through the system's spooler.

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <cmath>
#include <memory>

#include "calibration.h"
#include "cli.h"
#include "form_check.h"
#include "journal.h"
#include "print_plan.h"
#include "printer_status.h"
#include "render_forms.h"
#include "safe_file.h"
#include "settings_store.h"

namespace velmora::cli {

namespace {

// A box's number: one plain decimal digit from 0 to 8, nothing else (no sign, no blank).
std::optional<int> boxIndex(const QString& text) {
    if (text.size() != 1 || text[0] < QLatin1Char('0') || text[0] > QLatin1Char('8')) {
        return std::nullopt;
    }
    return text[0].unicode() - '0';
}

// Millimetres as plain decimal digits with at most one point ("10", "9.5", ".5"), in range.
std::optional<double> millimetres(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!plain.match(text).hasMatch() || !ok || !std::isfinite(value) || !InCalibrationRange(value)) {
        return std::nullopt;
    }
    return value;
}

// The form the --text and --tick options give; nothing with *problem set when one is wrong.
std::optional<FormContent> formFrom(const QCommandLineParser& parser, QString* problem) {
    FormContent form;
    std::array<bool, kFieldCount> given{};
    for (const QString& value : parser.values(QStringLiteral("text"))) {
        const qsizetype split = value.indexOf(QLatin1Char('='));
        const std::optional<int> index = split > 0 ? boxIndex(value.left(split)) : std::nullopt;
        if (!index) {
            *problem = QStringLiteral("--text wants I=VALUE with I from 0 to 8, not \"%1\"").arg(value);
            return std::nullopt;
        }
        if (given[std::size_t(*index)]) {
            *problem = QStringLiteral("--text %1 given twice").arg(*index);
            return std::nullopt;
        }
        given[std::size_t(*index)] = true;
        form.texts[std::size_t(*index)] = value.mid(split + 1);
    }
    for (const QString& value : parser.values(QStringLiteral("tick"))) {
        const std::optional<int> index = boxIndex(value);
        if (!index) {
            *problem = QStringLiteral("--tick wants a check box from 0 to 8, not \"%1\"").arg(value);
            return std::nullopt;
        }
        form.checks[std::size_t(*index)] = CheckValue::Ticked;
    }
    return form;
}

// The calibration --x and --y give, or the one stored for the printer (its own pair, else the default;
// the default for a PDF file); nothing with *problem set when they are wrong.
std::optional<Calibration> calibrationFrom(const QCommandLineParser& parser, QString* problem) {
    const bool x = parser.isSet(QStringLiteral("x"));
    if (x != parser.isSet(QStringLiteral("y"))) {
        *problem = QStringLiteral("give --x and --y together");
        return std::nullopt;
    }
    if (!x) {
        QSettingsStore settings;
        const CalibrationReading stored =
            CalibrationStore(settings).reading(parser.value(QStringLiteral("printer")));
        if (!stored.problem.isEmpty()) {
            *problem = stored.problem;
            return std::nullopt;
        }
        return stored.value;
    }
    Calibration calibration;
    for (const auto& [name, target] :
         {std::pair{QStringLiteral("x"), &calibration.x}, {QStringLiteral("y"), &calibration.y}}) {
        const std::optional<double> value = millimetres(parser.value(name));
        if (!value) {
            *problem = QStringLiteral("--%1 wants millimetres from 0 to 30, not \"%2\"")
                           .arg(name, parser.value(name));
            return std::nullopt;
        }
        target->value = *value;
    }
    return calibration;
}

// The forms to draw, each with its record number (0 for the one form given by the options), and what
// the command says on standard error first: the import's notices, the records refused and warned of.
struct Forms {
    std::vector<FormContent> forms;
    std::vector<int> records;
    int count = 0;     // the batch's record count
    QString workbook;  // absolute, "" for the one form
    QString sheet;

    DocumentInfo document(std::size_t i) const {
        DocumentInfo info = FormDocument(forms[i].text(Field::PayeeName), records[i], count, workbook);
        info.sheet = records[i] > 0 ? sheet : QString();
        return info;
    }
};

void tellNotes(const std::vector<RecordNote>& notes, const QString& what) {
    for (const RecordNote& n : notes) {
        printError(
            QStringLiteral("第 %1 个汇款单（收款人：%2）%3：%4").arg(n.record).arg(n.payee, what, n.text));
    }
}

// The batch's records 1 to n, each over the common boxes, checked all before any is drawn: records
// the check refuses stop the command unless `skipInvalid`, when only the others are drawn. Records the
// journal holds as sent stop it too, unless `reprint`.
std::optional<Forms> batchForms(const BatchRequest& request, const FormContent& common, bool skipInvalid,
                                bool reprint, PrintJournal* journal) {
    QString error;
    const std::optional<Batch> batch = readBatch(request, &error);
    if (!batch) {
        printError(QStringLiteral("velmora-cli render: ") + error);
        return std::nullopt;
    }
    if (const QString notice = UnreadDataNotice(batch->outcome); !notice.isEmpty()) {
        printError(notice);
    }
    Forms forms;
    forms.count = HandOverCount(batch->grid);
    forms.workbook = QFileInfo(request.request.path).absoluteFilePath();
    forms.sheet = request.request.sheet;
    const auto sentBefore = [&](int record, const CheckedForm& form) {
        const std::optional<JournalEntry> sent =
            journal && !reprint ? journal->sentBefore(forms.workbook, forms.sheet, record, form.form)
                                : std::nullopt;
        return sent ? QStringLiteral("已于 %1 发送到 %2")
                          .arg(sent->time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), sent->destination)
                    : QString();
    };
    const PrintPlan plan = PlanPrint(batch->grid, forms.count, common, sentBefore, batch->outcome.doubts);
    tellNotes(plan.refused, QStringLiteral("不能打印"));
    tellNotes(plan.printedBefore, QStringLiteral("已经打印过"));
    tellNotes(plan.warnings, QStringLiteral("请注意"));
    if (!plan.printedBefore.empty()) {
        printError(QStringLiteral("velmora-cli render: %1 个汇款单已经打印过，没有生成任何汇款单（--reprint "
                                  "连同它们一起再打印一次）。")
                       .arg(plan.printedBefore.size()));
        return std::nullopt;
    }
    if (!plan.refused.empty() && !skipInvalid) {
        printError(QStringLiteral("velmora-cli render: %1 "
                                  "个汇款单不能打印，没有生成任何汇款单（--skip-invalid 只打印其余的）。")
                       .arg(plan.refused.size()));
        return std::nullopt;
    }
    if (plan.records.empty()) {
        printError(QStringLiteral("velmora-cli render: 工作表中没有可以打印的汇款单。"));
        return std::nullopt;
    }
    for (const int record : plan.records) {
        forms.forms.push_back(RecordForm(batch->grid, record, common));
        forms.records.push_back(record);
    }
    return forms;
}

// The journal's trouble never stops printing: it is told once, on standard error.
void tellJournalTrouble(PrintJournal* journal) {
    if (const QString trouble = journal ? journal->takeTrouble() : QString(); !trouble.isEmpty()) {
        printError(QStringLiteral("请注意：") + trouble +
                   QStringLiteral("汇款单照常打印，但不会记入打印记录。"));
    }
}

// Every form into one PDF file, written whole or not at all.
int renderPdf(const Forms& found, const QString& pdf, Calibration calibration, PrintJournal* journal) {
    const RenderReport report = RenderFormsToPdf(found.forms, pdf, calibration.offsets(), found.workbook);
    const QString destination = QDir::toNativeSeparators(QFileInfo(pdf).absoluteFilePath());
    for (std::size_t i = 0; journal && i < found.forms.size(); ++i) {
        journal->record(JournalEntryFor(
            destination, CheckForm(found.forms[i]).form, found.document(i),
            report.status == PrintStatus::Printed ? JournalOutcome::Sent : JournalOutcome::Failed,
            report.reason));
    }
    tellJournalTrouble(journal);
    if (report.status != PrintStatus::Printed) {
        printError(QStringLiteral("velmora-cli render: ") + report.reason);
        return kExitFailed;
    }
    return kExitOk;
}

// Each form as a print job of its own, stopping at the first the spooler does not take.
int renderOnPrinter(const Forms& found, const QString& printerName, Calibration calibration,
                    PrintJournal* journal) {
    const auto notPrinted = [&](std::size_t i, const QString& reason) {
        const QString which = found.count > 0
                                  ? QStringLiteral("第 %1 个汇款单未能打印（已打印 %2 个，共 %3 个）：")
                                        .arg(found.records[i])
                                        .arg(i)
                                        .arg(found.forms.size())
                                  : QString();
        printError(QStringLiteral("velmora-cli render: ") + which + reason);
        return kExitFailed;
    };
    // Qt falls back to another printer for a name it does not know: refuse an unknown printer before
    // the first form. A stopped or refusing queue fails the first form's document, which the journal
    // records.
    if (const QString unavailable = printerUnavailable(printerName);
        !unavailable.isEmpty() && QPrinterInfo::printerInfo(printerName).isNull()) {
        return notPrinted(0, QStringLiteral("无法开始打印：") + unavailable);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(printerName);
    QPrinterDestination destination(printer);
    const PrintContext context{nullptr, nullptr, destination,
                               [&](const QString&) {
                                   return CalibrationReading{calibration, true, {}};
                               },
                               journal};
    for (std::size_t i = 0; i < found.forms.size(); ++i) {
        const PrintResult result = PrintRemittance(found.forms[i], false, context, found.document(i));
        tellJournalTrouble(journal);
        if (result.status != PrintStatus::Printed) {
            return notPrinted(i, result.reason);
        }
    }
    return kExitOk;
}

void addRenderOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("pdf"),
         QStringLiteral("The PDF file to write, one page per form (replaced when complete)."),
         QStringLiteral("OUT.pdf")},
        {QStringLiteral("printer"),
         QStringLiteral("Print on that printer through the system's spooler, each form a job."),
         QStringLiteral("NAME")},
        {QStringLiteral("text"),
         QStringLiteral("The text of entry box I (0 to 8), checked and normalised as the box's."),
         QStringLiteral("I=VALUE")},
        {QStringLiteral("tick"), QStringLiteral("Tick check box I (0 to 8)."), QStringLiteral("I")},
        {QStringLiteral("x"),
         QStringLiteral(
             "Horizontal calibration distance (0 to 30 mm, 10 = none); without --x and --y the stored ones."),
         QStringLiteral("MM")},
        {QStringLiteral("y"), QStringLiteral("Vertical calibration distance."), QStringLiteral("MM")},
        {QStringLiteral("batch"),
         QStringLiteral("One form per record of the workbook's batch, over the boxes given."),
         QStringLiteral("WORKBOOK")},
        {QStringLiteral("skip-invalid"),
         QStringLiteral(
             "With --batch: draw the records that can be printed, leaving out those that cannot.")},
        {QStringLiteral("no-journal"),
         QStringLiteral("Do not record the forms in the user's print journal.")},
        {QStringLiteral("reprint"),
         QStringLiteral("With --batch: print again the records the journal holds as sent.")},
    });
    addImportOptions(parser);
}

// The one form the options give, checked; nothing when the check refuses it.
std::optional<Forms> typedForm(const FormContent& form) {
    const CheckedForm checked = CheckForm(form);
    if (!checked.printable()) {
        printError(QStringLiteral("velmora-cli render: 汇款单不能打印：") + checked.problemText());
        return std::nullopt;
    }
    if (!checked.warnings.empty()) {
        printError(QStringLiteral("请注意：") + checked.warningText());
    }
    return Forms{{form}, {0}, 0, {}, {}};
}

}  // namespace

int runRender(const QStringList& arguments) {
    const QString command = QStringLiteral("render");
    QCommandLineParser parser;
    addRenderOptions(parser);
    if (!parseArguments(parser, command, arguments)) {
        return usageError(parser, command, parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return kExitOk;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(
            parser, command,
            QStringLiteral("unknown argument \"%1\"").arg(parser.positionalArguments().first()));
    }
    for (const QString& once : {QStringLiteral("pdf"), QStringLiteral("printer"), QStringLiteral("x"),
                                QStringLiteral("y"), QStringLiteral("batch")}) {
        if (parser.values(once).size() > 1) {
            return usageError(parser, command, QStringLiteral("--%1 given twice").arg(once));
        }
    }
    const QString pdf = parser.value(QStringLiteral("pdf"));
    const QString printerName = parser.value(QStringLiteral("printer"));
    if (pdf.isEmpty() == printerName.isEmpty()) {
        return usageError(parser, command, QStringLiteral("give either --pdf OUT.pdf or --printer NAME"));
    }
    const bool batch = parser.isSet(QStringLiteral("batch"));
    for (const QString& importOption :
         {QStringLiteral("sheet"), QStringLiteral("first-row"), QStringLiteral("columns"),
          QStringLiteral("skip-invalid"), QStringLiteral("clean"), QStringLiteral("reprint")}) {
        if (!batch && parser.isSet(importOption)) {
            return usageError(parser, command, QStringLiteral("--%1 goes with --batch").arg(importOption));
        }
    }
    QString problem;
    const std::optional<FormContent> form = formFrom(parser, &problem);
    const std::optional<Calibration> calibration = form ? calibrationFrom(parser, &problem) : std::nullopt;
    const std::optional<BatchRequest> request =
        calibration && batch ? batchRequest(parser, parser.value(QStringLiteral("batch")), &problem)
                             : std::nullopt;
    if (!form || !calibration || (batch && !request)) {
        return usageError(parser, command, problem);
    }

    const QString workbook = batch ? parser.value(QStringLiteral("batch")) : QString();
    // Never over the program's own files, refused before anything is read or written.
    if (const QString refusal = pdf.isEmpty() ? QString() : OwnFileRefusal(pdf, workbook);
        !refusal.isEmpty()) {
        printError(QStringLiteral("velmora-cli render: ") + refusal);
        return kExitFailed;
    }
    std::unique_ptr<PrintJournal> journal;
    if (!parser.isSet(QStringLiteral("no-journal"))) {
        journal = std::make_unique<PrintJournal>(PrintJournal::defaultPath());
    }
    const std::optional<Forms> found =
        batch ? batchForms(*request, *form, parser.isSet(QStringLiteral("skip-invalid")),
                           parser.isSet(QStringLiteral("reprint")), journal.get())
              : typedForm(*form);
    if (!found) {
        return kExitFailed;
    }
    return pdf.isEmpty() ? renderOnPrinter(*found, printerName, *calibration, journal.get())
                         : renderPdf(*found, pdf, *calibration, journal.get());
}

}  // namespace velmora::cli
