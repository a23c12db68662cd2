#pragma once

#include <QString>

class QPrinter;

namespace velmora {

// The program's current printer, one for the program's life: a high-resolution QPrinter on the
// system's default printer until an accepted printer dialog makes the chosen printer current.
QPrinter& currentPrinter();

// The first of path, then path with -2, -3... before its suffix (forms.pdf, forms-2.pdf, forms-3.pdf)
// that names no existing file; "" when every candidate up to a large bound is taken. Printing to a
// file never replaces an earlier document this way.
QString firstFreeFileName(const QString& path);

// Why the system's printer of that name cannot take a job now ("" when it can): it is not installed
// (any more), or its queue is stopped. A stopped queue would accept the job and hold it unprinted.
QString printerUnavailable(const QString& printerName);

}  // namespace velmora
