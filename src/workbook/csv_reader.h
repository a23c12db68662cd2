#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "workbook.h"

namespace velmora {

// Whether a file name's suffix marks comma- or tab-separated text: "csv" or "txt", in any letter case.
bool IsCsvSuffix(const QString& suffix);

// Comma- or tab-separated text as a workbook of one worksheet, named `sheetName`, that worksheet()
// gives whatever name it is asked for. The text is UTF-8 (with or without its byte order mark),
// UTF-16 with its byte order mark, or else GB18030 (which covers GBK). The separator is a tab when the
// first line holds tabs and no commas, and a comma otherwise. Fields follow RFC 4180: a quoted field
// may hold separators, line breaks and doubled quotes; text after a closing quote joins the field, as
// Excel reads it. Records end at CR LF, LF or CR. Cells are the text as written, never converted.
std::unique_ptr<Workbook> OpenCsvWorkbook(std::shared_ptr<const QByteArray> bytes, const QString& sheetName);

}  // namespace velmora
