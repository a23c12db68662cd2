#pragma once

#include <QString>
#include <vector>

#include "printing/form_content.h"
#include "printing/print_run.h"

class QPrinter;

namespace velmora {

// How drawing a list of forms ended.
struct RenderReport {
    PrintStatus status = PrintStatus::Printed;  // Printed, Failed or Refused
    int printed = 0;                            // forms finished before the first failure
    int failedIndex = -1;                       // the form (0-based) refused or not printed; -1: none
    QString reason;                             // what went wrong, in words for the operator
};

// The first form whose amount the nine digit boxes cannot hold, as a Refused report (nothing
// printed); a Printed report with nothing printed when every form can be printed.
RenderReport CheckFormsPrintable(const std::vector<FormContent>& forms);

// Makes printer write a PDF file at 600 dpi on A4 whose printable area is the whole sheet, so that
// offsets of 0 put every field at its distance from the sheet's corner.
void SetUpPdfPrinter(QPrinter& printer, const QString& path);

// Draws the forms into one PDF file at path (replaced when it exists), one page per form, through
// DrawRemittance with the given offsets in millimetres. Nothing is written when a form is refused.
RenderReport RenderFormsToPdf(const std::vector<FormContent>& forms, const QString& path, double OffsetX,
                              double OffsetY);

// Prints the forms on the printer, each form a print document of its own, stopping at the first
// that cannot be printed. A printer writing to a file puts each document in its own numbered file
// and never replaces one (forms.pdf, forms-2.pdf...). Nothing is printed when a form is refused.
RenderReport PrintForms(const std::vector<FormContent>& forms, QPrinter& printer, double OffsetX,
                        double OffsetY);

}  // namespace velmora
