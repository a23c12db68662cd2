#include "amount.h"

#include <cmath>

#include "number_text.h"

namespace velmora {

QString FormatAmount(QString& amount) {
    QString rest = amount;
    rest.remove(QChar(0xFFE5));
    const double value = LeadingNumber(rest);
    // Below 0.0001 the number text takes the exponent form ("1E-05"), which would read as a
    // different amount once a point and two decimals are added: cut it to no fen, as for 0.001.
    QString s = value == 0 || std::fabs(value) >= 0.0001 ? TrimmedNumberText(value)
                : value < 0                              ? QStringLiteral("-.00")
                                                         : QStringLiteral(".00");
    const qsizetype p = s.indexOf(QLatin1Char('.'));  // 0-based; -1 when there is none
    if (p >= 0) {
        if (s.size() - p - 1 < 2) {
            s.append(QLatin1Char('0'));
        }
        if (s.size() - p - 1 > 2) {
            s.truncate(p + 3);
        }
    } else {
        s.append(QStringLiteral(".00"));
    }
    amount = s;
    return s;
}

}  // namespace velmora
