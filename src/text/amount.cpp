#include "text/amount.h"

#include <cmath>

#include "text/number_text.h"

namespace velmora {

namespace {

const QString kYuan = QStringLiteral("\uFFE5");

}  // namespace

QString FormatAmount(QString& amount) {
    QString rest = amount;
    rest.remove(kYuan);
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

QString NormalisedAmount(const QString& amountText) {
    QString amount = amountText;
    return kYuan + FormatAmount(amount);
}

QString AmountProblem(const QString& amountText) {
    QString rest = amountText;
    rest.remove(kYuan);
    const double value = LeadingNumber(rest);
    if (value < 0 || rest.trimmed().startsWith(QLatin1Char('-'))) {
        return QStringLiteral("金额不能为负数");
    }
    if (value >= 10'000'000.0) {
        return QStringLiteral("金额超出汇款单九位数字框的范围（最大 9999999.99 元）");
    }
    return {};
}

}  // namespace velmora
