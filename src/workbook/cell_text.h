#pragma once

#include <QString>
#include <QStringView>

namespace velmora {

// Converting the values the spreadsheet readers find into the text the import stores.

// The longest text a cell can hold; a file claiming more is broken.
inline constexpr int kMaxCellTextLength = 32767;

// A number in its shortest general form: at most 15 significant digits, "." as the point, no
// thousands separators, no trailing zeros, a leading zero before the point ("0.5"), and the exponent
// form only from 1E+15 up or below 1E-04 ("1E+15", "1E-05"). Not-a-number and infinities, which no
// spreadsheet stores, give "#NUM!".
QString GeneralNumberText(double value);

inline QString BooleanText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The text of a binary (.xls) error code: 0x07 "#DIV/0!", 0x2A "#N/A"...; unknown codes give "#N/A".
QString BinaryErrorText(int code);

// What a number format shows a number as.
enum class NumberFormatKind {
    Number,    // a plain number, percentage, currency...
    Date,      // a date without a time of day
    Time,      // a time of day without a date
    DateTime,  // both
};

// The kind of a built-in number format, by its number (the same numbers in .xlsx and .xls).
NumberFormatKind BuiltinNumberFormatKind(int id);

// The kind of a format code such as "yyyy-mm-dd", "h:mm" or "#,##0.00" (its first section decides;
// quoted text, escaped characters and bracketed colours or locales are skipped).
NumberFormatKind NumberFormatCodeKind(QStringView code);

// A serial date-time (days since the workbook's epoch, the fraction being the time of day) as text:
// "yyyy-MM-dd", "hh:mm:ss" or "yyyy-MM-dd hh:mm:ss" by the format's kind; a date-time whose time is
// midnight gives the date alone. The 1900 system keeps the fictitious 29 February 1900 of serial 60.
// A serial outside the dates a spreadsheet can show gives GeneralNumberText, as does kind Number.
QString SerialDateText(double serial, NumberFormatKind kind, bool date1904);

// An ISO 8601 date or date-time as the readers give dates: "2024-01-05T10:30:00.5" gives
// "2024-01-05 10:30:00", "2024-01-05T00:00:00" gives "2024-01-05"; a text that is not one is returned
// unchanged.
QString IsoDateText(QStringView iso);

// An ISO 8601 duration as OpenDocument stores a time ("PT10H30M00S") as "10:30:00"; a text that is not
// one is returned unchanged.
QString IsoDurationText(QStringView duration);

}  // namespace velmora
