#pragma once

#include <QString>
#include <QStringView>

namespace velmora {

// Converting the values the spreadsheet readers find into the text the import stores.

// The longest text a cell can hold. A reader meeting a longer cell keeps only the fact that it was
// too long, and a read of that very cell throws AutomationError 14.
inline constexpr int kMaxCellTextLength = 32767;

// A cell's text as a reader collects it, piece by piece: past `limit` characters the text is dropped
// and only tooLong() remains, so a huge cell never stays in memory.
class BoundedText {
public:
    explicit BoundedText(qsizetype limit = kMaxCellTextLength) : limit_(limit) {}
    void append(QStringView more);
    void markTooLong() {
        tooLong_ = true;
        text_ = QString();
    }
    bool tooLong() const { return tooLong_; }
    const QString& text() const { return text_; }
    // The text; throws AutomationError 14 when it was too long.
    QString take();

private:
    QString text_;
    qsizetype limit_;
    bool tooLong_ = false;
};

// Throws AutomationError 14 for a cell whose text is longer than a cell can hold.
[[noreturn]] void ThrowCellTooLong();

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

struct NumberFormat {
    NumberFormatKind kind = NumberFormatKind::Number;
    // For a code whose first section is only zeros ("000000"): how many. Such a format shows an
    // integer padded with leading zeros, as a postcode stored as a number is shown.
    int zeroDigits = 0;
};

// The format of a built-in number format, by its number (the same numbers in .xlsx and .xls).
NumberFormat BuiltinNumberFormat(int id);

// The format of a code such as "yyyy-mm-dd", "h:mm", "#,##0.00" or "000000" (its first section
// decides; quoted text, escaped characters and bracketed colours or locales are skipped).
NumberFormat NumberFormatOfCode(QStringView code);

// A number shown through its cell's format. A date or time format turns a serial date-time (days since
// the workbook's epoch, the fraction being the time of day) into "yyyy-MM-dd", "hh:mm:ss" or
// "yyyy-MM-dd hh:mm:ss"; a date-time whose time is midnight gives the date alone. The 1900 system
// keeps the fictitious 29 February 1900 of serial 60; a serial outside the dates a spreadsheet can
// show gives GeneralNumberText. A zero-padded format pads a whole number from 0 to 10^15 to its
// digits ("030000"); a fraction or a negative number keeps GeneralNumberText, so that an amount is
// never rounded. Any other format gives GeneralNumberText.
QString FormattedNumberText(double value, const NumberFormat& format, bool date1904);

// An ISO 8601 date or date-time as the readers give dates: "2024-01-05T10:30:00.5" gives
// "2024-01-05 10:30:00", "2024-01-05T00:00:00" gives "2024-01-05"; a text that is not one is returned
// unchanged.
QString IsoDateText(QStringView iso);

// An ISO 8601 duration as OpenDocument stores a time ("PT10H30M00S") as "10:30:00", hours counting
// on past 24; a duration of 2,958,466 days or more (past the last date a spreadsheet shows) gives
// GeneralNumberText of its days. A text that is not one is returned unchanged.
QString IsoDurationText(QStringView duration);

}  // namespace velmora
