#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace velmora {

QString NumberText(double value) {
    if (std::isnan(value)) {
        return QStringLiteral(" 0");
    }
    if (std::isinf(value)) {
        value = value > 0 ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
    }
    if (value == 0) {
        return QStringLiteral(" 0");  // also for -0
    }
    // The general format with 15 significant digits drops trailing zeros and takes the exponent form
    // exactly when the decimal exponent is below -4 or at least 15, with a sign and at least two
    // exponent digits. to_chars does not depend on the C locale, unlike printf.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::general, 15);
    QString digits = QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
    if (digits.startsWith(QLatin1String("0."))) {
        digits.remove(0, 1);
    }
    return (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + digits;
}

QString TrimmedNumberText(double value) {
    QString text = NumberText(value);
    if (text.startsWith(QLatin1Char(' '))) {
        text.remove(0, 1);
    }
    return text;
}

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The saturated value of a number text that from_chars found out of range.
double outOfRange(const std::string& number) {
    const bool negative = !number.empty() && number[0] == '-';
    const std::size_t e = number.find('e');
    const std::string mantissa =
        number.substr(negative ? 1 : 0, e == std::string::npos ? std::string::npos : e - (negative ? 1 : 0));
    long long exponent = 0;
    if (e != std::string::npos) {
        std::size_t k = e + 1;
        const bool negativeExponent = k < number.size() && number[k] == '-';
        if (k < number.size() && (number[k] == '-' || number[k] == '+')) {
            ++k;
        }
        for (; k < number.size(); ++k) {
            exponent = std::min<long long>(exponent * 10 + (number[k] - '0'), 1'000'000'000LL);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    // Position of the first significant digit relative to the point.
    long long magnitude = 0;
    const std::size_t point = mantissa.find('.');
    const std::string integer = mantissa.substr(0, point);
    const std::size_t firstNonZero = integer.find_first_not_of('0');
    if (firstNonZero != std::string::npos) {
        magnitude = static_cast<long long>(integer.size() - firstNonZero);
    } else if (point != std::string::npos) {
        const std::string fraction = mantissa.substr(point + 1);
        const std::size_t nz = fraction.find_first_not_of('0');
        magnitude = nz == std::string::npos ? -1'000'000'000LL : -static_cast<long long>(nz);
    }
    if (magnitude + exponent <= 0) {
        return 0;  // underflow
    }
    return negative ? std::numeric_limits<double>::lowest() : std::numeric_limits<double>::max();
}

}  // namespace

double LeadingNumber(const QString& text) {
    // Drop the characters that are ignored anywhere, then read the longest numeric prefix.
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n')) {
            s.append(c);
        }
    }
    std::string number;
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        if (s[i] == QLatin1Char('-')) {
            number.push_back('-');
        }
        ++i;
    }
    bool mantissaDigits = false;
    while (i < n && isDigit(s[i])) {
        number.push_back(s[i].toLatin1());
        mantissaDigits = true;
        ++i;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        number.push_back('.');
        ++i;
        while (i < n && isDigit(s[i])) {
            number.push_back(s[i].toLatin1());
            mantissaDigits = true;
            ++i;
        }
    }
    if (!mantissaDigits) {
        return 0;
    }
    if (i < n) {
        const QChar e = s[i].toUpper();
        if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
            qsizetype j = i + 1;
            std::string exponent = "e";
            if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-'))) {
                exponent.push_back(s[j].toLatin1());
                ++j;
            }
            bool exponentDigits = false;
            while (j < n && isDigit(s[j])) {
                exponent.push_back(s[j].toLatin1());
                exponentDigits = true;
                ++j;
            }
            if (exponentDigits) {
                number += exponent;
            }
        }
    }
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on overflow and underflow alike: tell them apart by
        // the decimal magnitude, the mantissa's digits before the point plus the exponent.
        return outOfRange(number);
    }
    return value;
}

}  // namespace velmora
