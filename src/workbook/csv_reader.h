#pragma once

#include <QIODevice>
#include <QString>
#include <memory>

#include "workbook.h"

namespace velmora {

// Whether a file name's suffix marks comma- or tab-separated text: "csv" or "txt", in any letter case.
bool IsCsvSuffix(const QString& suffix);

// Comma- or tab-separated text as a workbook of one worksheet, named `sheetName`, that worksheet()
// gives whatever name it is asked for. The device (a file or a buffer, open for reading, random
// access) is read a window at a time and never held whole.
//
// The text is decoded strictly. A byte order mark decides: UTF-8, UTF-16 LE or BE. Without one the
// text is UTF-8 when every byte of it is valid UTF-8, else GB18030 (which covers GBK) when every byte
// decodes as GB18030. Anything else, a byte that does not fit the mark, a character cut short at the
// end, or a NUL character anywhere throws AutomationError 432 whose detail, in Chinese for the
// operator, names the line (counted from 1, lines ending at LF, CR LF or CR): "CSV 文件第 7 行既不是
// UTF-8 也不是 GB18030 编码的文字", "CSV 文件以 UTF-8 字节顺序标记开头，第 7 行却不是 UTF-8 编码的文字"
// (UTF-16 alike), "CSV 文件第 7 行含有空字符（U+0000）". A file larger than 256 MiB is refused too.
//
// The separator is a tab when the first line holds tabs and no commas, and a comma otherwise. Fields
// follow RFC 4180: a quoted field may hold separators, line breaks and doubled quotes; text after a
// closing quote joins the field, as Excel reads it. Records end at CR LF, LF or CR. Cells are the text
// as written, never converted; a cell longer than a cell can hold throws AutomationError 14 when it is
// read.
std::unique_ptr<Workbook> OpenCsvWorkbook(std::unique_ptr<QIODevice> device, const QString& sheetName);

}  // namespace velmora
