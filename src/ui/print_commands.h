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
