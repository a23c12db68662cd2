#pragma once

#include <memory>

#include "workbook.h"
#include "zip_archive.h"

namespace velmora {

// Whether a zip is an Office Open XML package: it has package relationships, a content types part or
// an xl/workbook.xml.
bool IsOfficeOpenXmlPackage(const ZipArchive& archive);

// The workbook of an Office Open XML package (.xlsx, .xlsm; transitional or strict), read by namespace:
// elements of other vocabularies are skipped whole. Rows out of order or repeated are placed as
// LibreOffice and openpyxl place them (by each cell's reference, a later cell for a place winning); a
// sheet so written is read into memory once, up to 262,144 cells. Throws AutomationError 438 when the
// package holds another kind of document or a workbook without worksheets, and 432 when it is broken.
std::unique_ptr<Workbook> OpenXlsxWorkbook(std::shared_ptr<const ZipArchive> archive);

}  // namespace velmora
