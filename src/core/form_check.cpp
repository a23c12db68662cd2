#include "form_check.h"

#include <QRegularExpression>
#include <QStringList>

#include "batch_columns.h"
#include "blanks.h"
#include "draw_remittance.h"
#include "printable_text.h"

namespace velmora {

namespace {

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

void checkAmount(const QString& text, CheckedForm& checked) {
    const AmountReading reading = ReadAmount(text);
    if (const QString refusal = reading.refusal(); !refusal.isEmpty()) {
        note(checked.problems, Field::Amount, refusal);
        return;
    }
    // The box shows the amount through FormatAmount's number text of at most 15 digits: where that
    // would carry into another fen, the form would print another amount than the text reads.
    if (ReadAmount(checked.form.text(Field::Amount)).money != reading.money) {
        note(checked.problems, Field::Amount,
             QStringLiteral("“%1”的位数太多，无法照原样打印").arg(reading.bare));
        return;
    }
    checked.amount = reading.money;
    if (reading.decimalsCut) {
        note(checked.warnings, Field::Amount,
             QStringLiteral("“%1”有两位以上小数，将打印为 %2（不四舍五入）")
                 .arg(reading.bare, reading.money.text()));
    }
}

// Text longer than the lines its place on the form holds.
void checkLength(const FormContent& form, Field field, const QString& what, CheckedForm& checked) {
    const FieldPlacement& place = FieldLayout[indexOf(field)];
    const int fits = field == Field::PayeeAddress || field == Field::RemitterAddress
                         ? 2 * place.charactersPerLine
                     : field == Field::Message ? 30
                                               : place.charactersPerLine;
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

QString CheckedForm::problemText() const {
    return joined(problems);
}

QString CheckedForm::warningText() const {
    return joined(warnings);
}

CheckedForm CheckForm(const FormContent& form) {
    CheckedForm checked{form, {}, {}, {}};
    checked.form.text(Field::Amount) = NormalisedAmount(form.text(Field::Amount));
    checkAmount(form.text(Field::Amount), checked);
    if (TrimBlanks(form.text(Field::PayeeName)).isEmpty()) {
        note(checked.warnings, Field::PayeeName, QStringLiteral("是空的"));
    }
    for (const Field postcode : {Field::PayeePostcode, Field::RemitterPostcode}) {
        const QString text = TrimBlanks(form.text(postcode));
        if (!text.isEmpty() && !isSixDigits(text)) {
            note(checked.warnings, postcode, QStringLiteral("“%1”不是六位数字").arg(text));
        }
    }
    const QString nextLine = QStringLiteral("其余的会印到下面一栏上");
    checkLength(form, Field::PayeeName, nextLine, checked);
    checkLength(form, Field::RemitterName, nextLine, checked);
    checkLength(form, Field::PayeeAddress, QStringLiteral("其余的会超出地址栏"), checked);
    checkLength(form, Field::RemitterAddress, QStringLiteral("其余的会超出地址栏"), checked);
    checkLength(form, Field::Message, QStringLiteral("其余的会超出附言栏"), checked);
    CheckPrintableCharacters(checked.form, checked.problems);
    return checked;
}

bool IsBlankRecord(const FormContent& form) {
    for (const BatchColumn& column : kBatchColumns) {
        if (!TrimBlanks(form.text(column.field)).isEmpty()) {
            return false;
        }
    }
    return true;
}

}  // namespace velmora
