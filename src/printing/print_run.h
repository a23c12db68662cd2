#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "printing/form_content.h"

class QWidget;

namespace velmora {

class PrinterSurface;

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
// A form whose amount does not fit the nine digit boxes is refused before anything is shown or
// printed. Reports nothing itself: the caller tells the operator about Failed and Refused.
// When the current printer writes to a file, an existing file is never replaced: the document goes
// to the first free numbered name (forms.pdf, forms-2.pdf, forms-3.pdf...).
PrintResult PrintRemittance(const FormContent& form, QWidget* parent);

// "打印机校准": the printer dialog, the question, the calibration rectangle, then CollateForm shown
// and filled with the stored values. A figure that could not be printed is reported in a message
// box before the dialog opens.
void PrintCalibration(QWidget* parent);

// The stored calibration distances in millimetres (settings "Velmora", "Collate", "X" and "Y", read
// by their leading number; 0 when missing).
struct Calibration {
    double x = 0;
    double y = 0;
};
Calibration StoredCalibration();

// The surface every print run and calibration draws on. By default a Qt surface on the current
// printer; tests put a recording surface in its place. An empty factory restores the default.
using PrinterSurfaceFactory = std::function<std::unique_ptr<PrinterSurface>()>;
void setPrinterSurfaceFactory(PrinterSurfaceFactory factory);
std::unique_ptr<PrinterSurface> makePrinterSurface();

}  // namespace velmora
