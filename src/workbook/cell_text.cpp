#include "cell_text.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "workbook.h"

namespace velmora {

void BoundedText::append(QStringView more) {
    if (tooLong_) {
        return;
    }
    if (text_.size() + more.size() > limit_) {
        markTooLong();  // gives the memory back
        return;
    }
    text_.append(more);
}

QString BoundedText::take() {
    if (tooLong_) {
        ThrowCellTooLong();
    }
    return std::move(text_);
}

void ThrowCellTooLong() {
    throw AutomationError(kErrorCellTooLong,
                          QStringLiteral("cell text longer than %1 characters").arg(kMaxCellTextLength));
}

QString GeneralNumberText(double value) {
    if (!std::isfinite(value)) {
        return QStringLiteral("#NUM!");
    }
    if (value == 0) {
        return QStringLiteral("0");  // also for -0
    }
    // The general format with 15 significant digits drops trailing zeros and takes the exponent form
    // exactly when the decimal exponent is below -4 or at least 15, with a sign and at least two
    // exponent digits. to_chars does not depend on the C locale, unlike printf.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
}

QString BinaryErrorText(int code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2B:
            return QStringLiteral("#GETTING_DATA");
        default:
            return QStringLiteral("#N/A");
    }
}

NumberFormat BuiltinNumberFormat(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 54) ||
        (id >= 57 && id <= 58)) {
        return {NumberFormatKind::Date};
    }
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) ||
        (id >= 55 && id <= 56)) {
        return {NumberFormatKind::Time};
    }
    if (id == 22) {
        return {NumberFormatKind::DateTime};
    }
    return {};
}

NumberFormat NumberFormatOfCode(QStringView code) {
    // The digits a section of only zeros pads to; more than 30 is no postcode.
    const QStringView first = code.left(code.indexOf(u';') < 0 ? code.size() : code.indexOf(u';'));
    if (!first.isEmpty() && first.size() <= 30 &&
        std::all_of(first.begin(), first.end(), [](QChar c) { return c == u'0'; })) {
        return {NumberFormatKind::Number, static_cast<int>(first.size())};
    }
    bool year = false, day = false, month = false, hour = false, second = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = code[i].unicode();
        if (c == u';') {
            break;  // the first section is the one for positive numbers
        }
        switch (c) {
            case u'"': {
                const qsizetype end = code.indexOf(u'"', i + 1);
                i = end < 0 ? code.size() : end;
                break;
            }
            case u'\\':
            case u'_':
            case u'*':
                ++i;  // an escaped character, a padding width, a fill character
                break;
            case u'[': {
                const qsizetype end = code.indexOf(u']', i + 1);
                const QStringView inside = code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1);
                // [h], [mm], [ss]: elapsed time; anything else is a colour, condition or locale.
                if (!inside.isEmpty() && (inside[0] == u'h' || inside[0] == u'H')) {
                    hour = true;
                } else if (!inside.isEmpty() && (inside[0] == u's' || inside[0] == u'S')) {
                    second = true;
                } else if (!inside.isEmpty() && (inside[0] == u'm' || inside[0] == u'M')) {
                    second = true;  // elapsed minutes are a time
                }
                i = end < 0 ? code.size() : end;
                break;
            }
            case u'y':
            case u'Y':
                year = true;
                break;
            case u'd':
            case u'D':
                day = true;
                break;
            case u'm':
            case u'M':
                month = true;
                break;
            case u'h':
            case u'H':
                hour = true;
                break;
            case u's':
            case u'S':
                second = true;
                break;
            default:
                break;
        }
    }
    const bool time = hour || second;
    // "m" is the minute next to hours or seconds and the month otherwise.
    const bool date = year || day || (month && !time);
    if (date && time) {
        return {NumberFormatKind::DateTime};
    }
    if (date) {
        return {NumberFormatKind::Date};
    }
    if (time) {
        return {NumberFormatKind::Time};
    }
    return {};
}

namespace {

QString twoDigits(qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString timeText(qint64 seconds) {
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

}  // namespace

// 2958465 is 9999-12-31 in the 1900 system; beyond it a spreadsheet shows no date.
constexpr double kDaysShown = 2958466;

QString FormattedNumberText(double serial, const NumberFormat& format, bool date1904) {
    const NumberFormatKind kind = format.kind;
    if (kind == NumberFormatKind::Number && format.zeroDigits > 0 && serial >= 0 && serial < 1e15 &&
        serial == std::floor(serial)) {
        return QStringLiteral("%1").arg(static_cast<qint64>(serial), format.zeroDigits, 10, QLatin1Char('0'));
    }
    if (kind == NumberFormatKind::Number || !std::isfinite(serial) || serial < 0 || serial >= kDaysShown) {
        return GeneralNumberText(serial);
    }
    qint64 days = static_cast<qint64>(std::floor(serial));
    qint64 seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    if (kind == NumberFormatKind::Time) {
        return timeText(seconds);  // the time of day, as the format shows it
    }
    QString date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    } else if (days == 60) {
        date = QStringLiteral("1900-02-29");  // the leap day the 1900 system counts and the calendar lacks
    } else {
        // Serial 1 is 1900-01-01; from serial 61 on, the fictitious leap day shifts the count by one.
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (kind == NumberFormatKind::Date || seconds == 0) {
        return date;
    }
    return date + QLatin1Char(' ') + timeText(seconds);
}

QString IsoDateText(QStringView iso) {
    // yyyy-MM-dd, optionally followed by Thh:mm[:ss[.fff]] and a zone, which is dropped.
    const QStringView datePart = iso.left(10);
    const QDate date = QDate::fromString(datePart.toString(), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || (iso.size() > 10 && iso[10] != u'T')) {
        return iso.toString();
    }
    if (iso.size() <= 10) {
        return datePart.toString();
    }
    const QStringView time = iso.mid(11);
    int hms[3] = {0, 0, 0};
    qsizetype i = 0;
    for (int part = 0; part < 3 && i < time.size(); ++part) {
        int value = 0;
        int digits = 0;
        while (i < time.size() && time[i].isDigit() && digits < 2) {
            value = value * 10 + time[i].digitValue();
            ++i;
            ++digits;
        }
        if (digits != 2) {
            return iso.toString();
        }
        hms[part] = value;
        if (i < time.size() && time[i] == u':') {
            ++i;
        } else {
            break;
        }
    }
    const qint64 seconds = hms[0] * 3600 + hms[1] * 60 + hms[2];
    if (seconds == 0) {
        return datePart.toString();
    }
    return datePart.toString() + QLatin1Char(' ') + timeText(seconds);
}

QString IsoDurationText(QStringView duration) {
    // PnDTnHnMnS with whole or fractional numbers; days count as 24 hours. The sum is kept in double
    // seconds, so no number of digits can overflow it.
    if (!duration.startsWith(u'P')) {
        return duration.toString();
    }
    double total = 0;
    double number = 0;
    double scale = 0;  // the place of the next fraction digit; 0 before a point
    qsizetype digits = 0;
    bool inTime = false;
    for (qsizetype i = 1; i < duration.size(); ++i) {
        const QChar c = duration[i];
        if (c.isDigit()) {
            ++digits;
            if (scale > 0) {
                number += c.digitValue() * scale;
                scale /= 10;
            } else {
                number = number * 10 + c.digitValue();
            }
            continue;
        }
        if ((c == u'.' || c == u',') && scale == 0 && digits > 0) {
            scale = 0.1;
            continue;
        }
        if (c == u'T' && !inTime && digits == 0) {
            inTime = true;
            continue;
        }
        if (digits == 0) {
            return duration.toString();
        }
        if (c == u'D' && !inTime) {
            total += number * 86400;
        } else if (c == u'H' && inTime) {
            total += number * 3600;
        } else if (c == u'M' && inTime) {
            total += number * 60;
        } else if (c == u'S' && inTime) {
            total += number;
        } else {
            return duration.toString();
        }
        number = 0;
        digits = 0;
        scale = 0;
    }
    if (digits != 0) {
        return duration.toString();
    }
    if (total >= kDaysShown * 86400) {
        return GeneralNumberText(total / 86400);
    }
    // Fractions of a second are dropped, as the time shows whole seconds.
    return timeText(static_cast<qint64>(total));
}

}  // namespace velmora
