#pragma once

#include <QByteArray>
#include <memory>

#include "workbook.h"

namespace velmora {

// The workbook of a compound file holding an Excel 97-2003 (BIFF8) or Excel 5.0/95 (BIFF5) workbook
// stream. Throws AutomationError 438 when the compound file is another kind of document, 432 when it
// is broken, encrypted or of an older Excel version.
std::unique_ptr<Workbook> OpenXlsWorkbook(std::shared_ptr<const QByteArray> file);

}  // namespace velmora
