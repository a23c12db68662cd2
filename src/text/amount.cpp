#include "text/amount.h"

#include "text/number_text.h"

namespace velmora {

namespace {

const QString kYuan = QStringLiteral("\uFFE5");

}  // namespace

QString FormatAmount(QString& amount) {
    QString rest = amount;
    rest.remove(kYuan);
    QString s = TrimmedNumberText(LeadingNumber(rest));
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
    if (value < 0) {
        return QStringLiteral("金额不能为负数");
    }
    if (value >= 10'000'000.0) {
        return QStringLiteral("金额超出汇款单九位数字框的范围（最大 9999999.99 元）");
    }
    return {};
}

}  // namespace velmora
