#pragma once

#include <QString>

#include "printing/form_content.h"

class QWidget;

namespace velmora {

// How one print run ended.
enum class PrintStatus {
    Printed,    // the document was started and finished
    Cancelled,  // the operator cancelled the printer dialog: nothing printed, nothing to report
    Failed,     // the printer could not start or finish the document
    Refused,    // the form cannot be printed as entered (an amount the nine digit boxes cannot hold)
};

struct PrintResult {
    PrintStatus status = PrintStatus::Printed;
    QString reason;  // for Failed and Refused: what went wrong, in words for the operator
};

// Prints the form: with AskPrinter 255 the printer dialog and the reminder to load the form stock
// come first; the calibration values are read anew and passed to DrawRemittance as X - 10, Y - 10.
// Reports nothing itself: the caller tells the operator about Failed and Refused.
PrintResult PrintRemittance(const FormContent& form, QWidget* parent);

// "打印机校准": the printer dialog, the question, the calibration rectangle, then CollateForm shown
// and filled with the stored values.
void PrintCalibration(QWidget* parent);

}  // namespace velmora
