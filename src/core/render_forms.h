#pragma once

#include <QString>
#include <vector>

#include "draw_remittance.h"
#include "form.h"
#include "form_check.h"
#include "print_run.h"

namespace velmora {

// How drawing a list of forms ended.
struct RenderReport {
    PrintStatus status = PrintStatus::Printed;  // Printed, Failed or Refused
    int printed = 0;                            // forms drawn
    int failedIndex = -1;                       // the form (0-based) refused; -1: none
    QString reason;                             // what went wrong, in words for the operator
};

// Draws the forms into one PDF file at path, one A4 page per form with the sheet's corner as origin,
// each form checked and drawn as checked. Nothing is written when a form is refused or the file
// cannot be written, and an earlier file at path then stays as it was; path may not be `workbook`.
RenderReport RenderFormsToPdf(const std::vector<FormContent>& forms, const QString& path, Offsets offsets,
                              const QString& workbook = {});

}  // namespace velmora
