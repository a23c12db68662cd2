#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "journal.h"

namespace velmora {

// The journal's entries as files a spreadsheet program opens with what the journal holds: time,
// printer or file, workbook, record, payee, postcode, amount, outcome and reason.

// CSV that Excel opens: UTF-8 with a byte-order mark, CRLF line ends, a header row, fields quoted
// where they hold a comma, a quote or a line break, amounts as plain numbers. A text Excel would
// read as a formula (one beginning with = + - @, a tab or a carriage return) gets a leading
// apostrophe; a postcode is written as the formula ="030000", which Excel shows as the text 030000
// (bare, it would show 30000, and read "1-2" as a date).
QByteArray JournalCsv(const std::vector<JournalEntry>& entries);

// An .xlsx workbook of one sheet, "打印记录": every text, record numbers and postcodes included, as a
// text cell (never a formula, never converted), amounts as numbers shown with two decimals. Nothing,
// with *error set, when it cannot be made.
std::optional<QByteArray> JournalXlsx(const std::vector<JournalEntry>& entries, QString* error);

}  // namespace velmora
