#pragma once

#include <QString>

namespace velmora {

// Number to text as every window shows and stores numbers: "." as the decimal point, at most 15
// significant digits, a leading blank for zero and positive values and "-" for negative ones, no
// leading zero before the point (" .5"), exponent form only for magnitudes from 1E+15 up or below
// 1E-04 (" 1E+15", " 1E-05").
QString NumberText(double value);

// NumberText without its leading blank: the form in which the calibration values are stored.
QString TrimmedNumberText(double value);

// The numeric prefix of a text, 0 when there is none. Blanks, tabs and line feeds are ignored
// anywhere; an optional sign, digits with at most one ".", and an optional exponent ("E" or "D",
// optional sign, digits) are read up to the first character that does not fit: "12.3.4" gives 12.3,
// "1,000" gives 1. A value beyond the range of a double saturates at the largest double of its sign,
// so it stays a (too large) number instead of becoming infinity.
double LeadingNumber(const QString& text);

}  // namespace velmora
