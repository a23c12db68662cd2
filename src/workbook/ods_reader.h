#pragma once

#include <memory>

#include "workbook.h"
#include "zip_archive.h"

namespace velmora {

// Whether a zip is an OpenDocument package: it has a mimetype or a content.xml.
bool IsOpenDocumentPackage(const ZipArchive& archive);

// The workbook of an OpenDocument spreadsheet (.ods, .ots). Throws AutomationError 438 when the
// package is another kind of document, 432 when it is broken.
std::unique_ptr<Workbook> OpenOdsWorkbook(std::shared_ptr<const ZipArchive> archive);

}  // namespace velmora
