#pragma once

#include <QString>

class QWidget;

namespace velmora {

struct DocumentInfo;
struct FormContent;
struct JournalEntry;
struct PrintResult;

// Prints a form from a window through the program's printer, its calibration for that printer and the
// print journal; the journal's trouble, the first time there is any, is told in a message box.
PrintResult PrintFromWindow(const FormContent& form, bool askPrinter, QWidget* parent,
                            const DocumentInfo& info);

// The calibration check before the first form of "全部打印", for the current printer (CheckCalibration):
// a refusal is told in a message box; on the answer to calibrate first, "打印机校准" runs. True when the
// forms may print.
bool CalibrationAllowsPrinting(QWidget* parent);

// Tells the operator why a form was not printed ("汇款单没有打印：…" after `what`), or runs
// "打印机校准" when the operator chose to calibrate first. Nothing for a form printed or cancelled.
void TellNotPrinted(const PrintResult& result, const QString& what, QWidget* parent);

// Records in the print journal that a batch stopped before this form, and why.
void RecordStopped(const FormContent& form, const DocumentInfo& info, const QString& reason, QWidget* parent);

// "重新打印" in the journal: the entry's form, as it printed, through the same check and the printer
// dialog; a form not printed is told in a message box.
void ReprintEntry(const JournalEntry& entry, QWidget* parent);

// "打印机校准": the printer dialog, the question, the calibration figure, then CollateForm shown and
// filled with the stored distances. A figure that could not be printed is reported in a message box
// before the dialog opens.
void PrintCalibration(QWidget* parent);

}  // namespace velmora
