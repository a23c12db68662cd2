#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "calibration.h"
#include "form.h"
#include "form_check.h"
#include "journal.h"

class QPrinter;
class QWidget;

namespace velmora {

class Dialogs;
class PrintJournal;
class PrinterSurface;

// How one print run ended.
enum class PrintStatus {
    Printed,    // the document was started and finished
    Cancelled,  // the operator cancelled the printer dialog: nothing printed, nothing to report
    Failed,     // the printer could not start or finish the document
    Refused,    // the form cannot be printed as entered
};

struct PrintResult {
    PrintStatus status = PrintStatus::Printed;
    QString reason;               // for Failed and Refused: what went wrong, in words for the operator
    QString journalTrouble;       // why the print journal could not record it, the first time only
    bool calibrateFirst = false;  // Cancelled: the operator chose to calibrate the printer first

    PrintResult() = default;
    PrintResult(PrintStatus status, QString reason) : status(status), reason(std::move(reason)) {}
};

// What one print document is: its title in the spooler's queue, and for a record of a batch its
// number, the count, and the workbook it came from.
struct DocumentInfo {
    QString title = QStringLiteral("汇款单");
    int record = 0;  // 0: a form typed by hand
    int recordCount = 0;
    QString workbook;               // never written over
    QString sheet;                  // the worksheet the record came from
    qint64 reprintOf = 0;           // the journal entry this document prints again
    bool numberedFile = false;      // printed to a file: one file per record, numbered ("forms-03.pdf")
    std::vector<FieldNote> doubts;  // why the record's cells cannot be trusted: it is refused for them
};

// The document of a form: "汇款单 3/20 张三" for record 3 of 20, "汇款单 张三" for a form typed by hand.
DocumentInfo FormDocument(const QString& payee, int record = 0, int recordCount = 0,
                          const QString& workbook = {});

// The printer a print run draws on: the program's current printer, or a recorder in tests.
class PrintDestination {
public:
    virtual ~PrintDestination() = default;
    // The printer's name, under which its calibration is kept; "" when it writes files.
    virtual QString printerName() const = 0;
    // The file a document goes to; "" when it goes to a printer.
    virtual QString outputFile(const DocumentInfo& info) const = 0;
    // A surface for one print document.
    virtual std::unique_ptr<PrinterSurface> openDocument(const DocumentInfo& info) = 0;
};

// A QPrinter: a printer, whose jobs carry the document's title, or, when it prints to a file, PDF
// files written whole or not at all.
class QPrinterDestination final : public PrintDestination {
public:
    explicit QPrinterDestination(QPrinter& printer) : printer_(printer) {}
    QString printerName() const override;
    QString outputFile(const DocumentInfo& info) const override;
    std::unique_ptr<PrinterSurface> openDocument(const DocumentInfo& info) override;

private:
    QPrinter& printer_;
};

// The calibration of a printer, by its name ("" for a file).
using CalibrationFor = std::function<CalibrationReading(const QString& printerName)>;

// What a print run works with besides the form: the dialogs to ask through over `parent` (none:
// nothing is asked), the printer, the calibration, read anew for every form, and the journal that
// records every form sent or failed (none: nothing is recorded).
struct PrintContext {
    Dialogs* dialogs;
    QWidget* parent;
    PrintDestination& printer;
    CalibrationFor calibration;
    PrintJournal* journal = nullptr;
};

// The journal's entry for a form's document sent to `destination` (a printer's name or a file), as it
// printed, and how its run ended.
JournalEntry JournalEntryFor(const QString& destination, const FormContent& form, const DocumentInfo& info,
                             JournalOutcome outcome, const QString& reason);

// Records in the context's journal how a form's run ended, when it has a journal; the journal's
// trouble, the first time, goes to result.journalTrouble.
void RecordInJournal(const PrintContext& context, const FormContent& form, const DocumentInfo& info,
                     JournalOutcome outcome, PrintResult& result);

// The calibration check before the first form of a print command, for the current printer: a stored
// calibration that is not a distance from 0 to 30 is never used (Refused, naming it); with none stored
// at all, and dialogs to ask through, the operator is asked whether to calibrate first (Cancelled
// with calibrateFirst on Yes; on No the forms print with distances of 0).
PrintResult CheckCalibration(const PrintContext& context);

// Prints one form. The form passes CheckForm first, and a form it refuses is not printed. When asked
// to (a single form), the printer dialog comes next, then the calibration check, then the reminder
// to load the form stock; a cancelled dialog ends the run silently, and so does the answer No when the
// file printed to exists. The form is drawn as checked, with the offsets of the chosen printer's
// calibration, read anew; a stored calibration that is not sound refuses the form. A form sent or
// failed is recorded in the journal. Reports nothing itself: the caller tells the operator about
// Failed and Refused, and about the journal's trouble.
PrintResult PrintRemittance(const FormContent& form, bool askPrinter, const PrintContext& context,
                            const DocumentInfo& info = {});

// The calibration print: the printer dialog, the question whether to print the figure, and on Yes
// the figure, a black square from 10 mm to 20 mm from the corner of the printable area. Returns why
// the figure could not be printed, or "" (also when the operator cancelled or answered No).
QString PrintCalibrationFigure(const PrintContext& context);

}  // namespace velmora
