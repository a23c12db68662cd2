#include "amount.h"

#include <QRegularExpression>
#include <cmath>

#include "blanks.h"
#include "form.h"
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

std::optional<Money> Money::fromFen(qint64 fen) {
    if (fen < 0) {
        return std::nullopt;
    }
    return Money(fen);
}

QString Money::plainText() const {
    return QStringLiteral("%1.%2").arg(fen_ / 100).arg(fen_ % 100, 2, 10, QLatin1Char('0'));
}

QString Money::text() const {
    QString yuan = QString::number(fen_ / 100);
    for (qsizetype comma = yuan.size() - 3; comma > 0; comma -= 3) {
        yuan.insert(comma, QLatin1Char(','));
    }
    return kYuanSign + yuan + QStringLiteral(".%1").arg(fen_ % 100, 2, 10, QLatin1Char('0'));
}

namespace {

// The text once the currency sign in front and the blanks around are taken away.
QString withoutSign(const QString& text) {
    QString t = TrimBlanks(text);
    if (t.startsWith(kYuanSign) || t.startsWith(QChar(0x00A5))) {
        t = TrimBlanks(t.mid(1));
    }
    return t;
}

}  // namespace

AmountReading ReadAmount(const QString& text) {
    static const QRegularExpression plainNumber(QStringLiteral("^(-?)([0-9]*)(?:\\.([0-9]*))?$"));
    static const QRegularExpression grouped(QStringLiteral("^-?[0-9]{1,3}(?:,[0-9]{3})+(?:\\.[0-9]*)?$"));
    AmountReading reading;
    reading.bare = withoutSign(text);
    if (reading.bare.isEmpty()) {
        return reading;
    }
    QString number = reading.bare;
    if (grouped.match(number).hasMatch()) {
        number.remove(QLatin1Char(','));
    }
    const QRegularExpressionMatch m = plainNumber.match(number);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty())) {
        reading.kind = AmountReading::Kind::NotNumber;
        return reading;
    }
    reading.plain = number.mid(m.capturedLength(1));
    if (!m.captured(1).isEmpty()) {
        reading.kind = AmountReading::Kind::Negative;
        return reading;
    }
    QString whole = m.captured(2);
    while (whole.startsWith(QLatin1Char('0'))) {
        whole.remove(0, 1);
    }
    const QString decimals = m.captured(3);
    reading.decimalsCut = decimals.mid(2).contains(QRegularExpression(QStringLiteral("[1-9]")));
    // More whole digits than the boxes hold before the two for jiao and fen.
    if (whole.size() > Money::kBoxes - 2) {
        reading.kind = AmountReading::Kind::TooLarge;
        return reading;
    }
    const qint64 fen = whole.toLongLong() * 100 + (decimals + QStringLiteral("00")).left(2).toLongLong();
    reading.kind = AmountReading::Kind::Amount;
    reading.money = *Money::fromFen(fen);
    return reading;
}

QString AmountReading::refusal() const {
    switch (kind) {
        case Kind::Empty:
            return QStringLiteral("是空的");
        case Kind::NotNumber:
            return QStringLiteral("“%1”不是数字").arg(bare);
        case Kind::Negative:
            return QStringLiteral("“%1”是负数").arg(bare);
        case Kind::TooLarge:
            return QStringLiteral("“%1”超出汇款单九位数字框的范围（最多 %2 元）")
                .arg(bare, Money::fromFen(Money::kMostFen)->plainText());
        case Kind::Amount:
            return money.fen() == 0 ? QStringLiteral("为零") : QString();
    }
    return {};
}

QString NormalisedAmount(const QString& text) {
    const AmountReading reading = ReadAmount(text);
    switch (reading.kind) {
        case AmountReading::Kind::Empty:
            return kYuanSign + QStringLiteral("0.00");
        case AmountReading::Kind::NotNumber:
            return text;
        default: {
            QString number =
                (reading.kind == AmountReading::Kind::Negative ? QStringLiteral("-") : QString()) +
                reading.plain;
            return kYuanSign + FormatAmount(number);
        }
    }
}

}  // namespace velmora
