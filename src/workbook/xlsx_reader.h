#pragma once

#include <memory>

#include "workbook.h"
#include "zip_archive.h"

namespace velmora {

// Whether a zip is an Office Open XML package: it has package relationships, a content types part or
// an xl/workbook.xml.
bool IsOfficeOpenXmlPackage(const ZipArchive& archive);

// The workbook of an Office Open XML package (.xlsx, .xlsm; transitional or strict). Throws
// AutomationError 438 when the package holds another kind of document or a workbook without
// worksheets, and 432 when it is broken.
std::unique_ptr<Workbook> OpenXlsxWorkbook(std::shared_ptr<const ZipArchive> archive);

}  // namespace velmora
