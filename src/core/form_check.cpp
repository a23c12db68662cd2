#include "form_check.h"

#include <QRegularExpression>
#include <QStringList>

#include "amount.h"
#include "blanks.h"
#include "draw_remittance.h"

namespace velmora {

namespace {

// The most a form's nine digit boxes hold: 9,999,999.99 yuan.
constexpr qint64 kMostFen = 999'999'999;

// What the text holds once the currency sign in front and the blanks around are taken away.
QString withoutSign(const QString& text) {
    QString t = TrimBlanks(text);
    if (t.startsWith(kYuanSign) || t.startsWith(QChar(0x00A5))) {
        t = TrimBlanks(t.mid(1));
    }
    return t;
}

void note(std::vector<FieldNote>& notes, Field field, const QString& text) {
    notes.push_back({field, FieldName(field) + text});
}

QString joined(const std::vector<FieldNote>& notes) {
    QStringList texts;
    for (const FieldNote& n : notes) {
        texts << n.text;
    }
    return texts.join(QStringLiteral("；"));
}

bool isSixDigits(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{6}$"));
    return digits.match(text).hasMatch();
}

void checkAmount(const QString& text, FormSource source, CheckedForm& checked) {
    const QString bare = withoutSign(text);
    if (bare.isEmpty()) {
        if (source == FormSource::Batch) {
            note(checked.problems, Field::Amount, QStringLiteral("是空的"));
        }
        return;
    }
    const std::optional<QString> plain = PlainAmount(text);
    if (!plain) {
        note(checked.problems, Field::Amount, QStringLiteral("“%1”不是数字").arg(bare));
        return;
    }
    if (plain->startsWith(QLatin1Char('-'))) {
        note(checked.problems, Field::Amount, QStringLiteral("“%1”是负数").arg(bare));
        return;
    }
    const std::optional<qint64> fen = AmountInFen(*plain);
    if (!fen) {
        note(checked.problems, Field::Amount,
             QStringLiteral("“%1”超出汇款单九位数字框的范围（最多 9999999.99 元）").arg(bare));
        return;
    }
    // The boxes show the amount through the number text of at most 15 digits: where that would carry
    // into another fen, the form would print another amount.
    if (AmountInFen(checked.form.text(Field::Amount)) != fen) {
        note(checked.problems, Field::Amount, QStringLiteral("“%1”的位数太多，无法照原样打印").arg(bare));
        return;
    }
    const qsizetype point = plain->indexOf(QLatin1Char('.'));
    if (point >= 0 && plain->mid(point + 3).contains(QRegularExpression(QStringLiteral("[1-9]")))) {
        note(checked.warnings, Field::Amount,
             QStringLiteral("“%1”有两位以上小数，将打印为 %2（不四舍五入）").arg(bare, MoneyText(*fen)));
    }
    if (*fen == 0 && source == FormSource::Batch) {
        note(checked.warnings, Field::Amount, QStringLiteral("为零"));
    }
}

// Text longer than the lines its place on the form holds.
void checkLength(const FormContent& form, Field field, int fits, const QString& what, CheckedForm& checked) {
    const qsizetype length = CharacterCount(TrimBlanks(form.text(field)));
    if (length > fits) {
        note(checked.warnings, field,
             QStringLiteral("有 %1 个字，汇款单上只能印 %2 个字，%3").arg(length).arg(fits).arg(what));
    }
}

}  // namespace

QString FieldName(Field field) {
    static const QString names[kFieldCount] = {
        QStringLiteral("收款人姓名"), QStringLiteral("汇款人姓名"), QStringLiteral("收款人地址"),
        QStringLiteral("汇款人地址"), QStringLiteral("收款人邮编"), QStringLiteral("汇款人邮编"),
        QStringLiteral("汇款金额"),   QStringLiteral("手机号码"),   QStringLiteral("汇款附言")};
    return names[indexOf(field)];
}

std::optional<QString> PlainAmount(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^-?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    static const QRegularExpression grouped(QStringLiteral("^-?[0-9]{1,3}(?:,[0-9]{3})+(?:\\.[0-9]*)?$"));
    QString bare = withoutSign(text);
    if (plain.match(bare).hasMatch()) {
        return bare;
    }
    if (grouped.match(bare).hasMatch()) {
        return bare.remove(QLatin1Char(','));
    }
    return std::nullopt;
}

QString NormalisedAmount(const QString& text, FormSource source) {
    if (withoutSign(text).isEmpty()) {
        return source == FormSource::Typed ? kYuanSign + QStringLiteral("0.00") : QString();
    }
    std::optional<QString> plain = PlainAmount(text);
    if (!plain) {
        return text;
    }
    return kYuanSign + FormatAmount(*plain);
}

std::optional<qint64> AmountInFen(const QString& text) {
    const std::optional<QString> plain = PlainAmount(text);
    if (!plain || plain->startsWith(QLatin1Char('-'))) {
        return std::nullopt;
    }
    const qsizetype point = plain->indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? *plain : plain->left(point);
    const QString fen = point < 0 ? QString() : (plain->mid(point + 1) + QStringLiteral("00")).left(2);
    while (whole.startsWith(QLatin1Char('0'))) {
        whole.remove(0, 1);
    }
    if (whole.size() > 7) {
        return std::nullopt;
    }
    const qint64 amount = whole.toLongLong() * 100 + fen.toLongLong();
    return amount <= kMostFen ? std::optional<qint64>(amount) : std::nullopt;
}

QString MoneyText(qint64 fen) {
    QString yuan = QString::number(fen / 100);
    for (qsizetype comma = yuan.size() - 3; comma > 0; comma -= 3) {
        yuan.insert(comma, QLatin1Char(','));
    }
    return kYuanSign + yuan + QStringLiteral(".%1").arg(fen % 100, 2, 10, QLatin1Char('0'));
}

QString CheckedForm::problemText() const {
    return joined(problems);
}

QString CheckedForm::warningText() const {
    return joined(warnings);
}

CheckedForm CheckForm(const FormContent& form, FormSource source) {
    CheckedForm checked{form, {}, {}};
    checked.form.text(Field::Amount) = NormalisedAmount(form.text(Field::Amount), source);
    if (source == FormSource::Batch && TrimBlanks(form.text(Field::PayeeName)).isEmpty()) {
        note(checked.problems, Field::PayeeName, QStringLiteral("是空的"));
    }
    for (const Field postcode : {Field::PayeePostcode, Field::RemitterPostcode}) {
        const QString text = TrimBlanks(form.text(postcode));
        if (!text.isEmpty() && !isSixDigits(text)) {
            note(checked.problems, postcode, QStringLiteral("“%1”不是六位数字").arg(text));
        }
    }
    checkAmount(form.text(Field::Amount), source, checked);
    const QString nextLine = QStringLiteral("其余的会印到下面一栏上");
    checkLength(form, Field::PayeeName, 7, nextLine, checked);
    checkLength(form, Field::RemitterName, 7, nextLine, checked);
    checkLength(form, Field::PayeeAddress, 50, QStringLiteral("其余的会超出地址栏"), checked);
    checkLength(form, Field::RemitterAddress, 50, QStringLiteral("其余的会超出地址栏"), checked);
    checkLength(form, Field::Message, 30, QStringLiteral("其余的会超出附言栏"), checked);
    return checked;
}

bool IsBlankRecord(const FormContent& form) {
    for (const Field field : {Field::PayeeName, Field::PayeeAddress, Field::PayeePostcode, Field::Amount}) {
        if (!TrimBlanks(form.text(field)).isEmpty()) {
            return false;
        }
    }
    return true;
}

}  // namespace velmora
