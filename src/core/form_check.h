#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "form.h"

namespace velmora {

// Where a form comes from: typed into the main window, or a record of a batch. A batch record must
// name its payee and hold an amount; a typed form may leave both empty.
enum class FormSource { Typed, Batch };

// What the check says about one field; the text names the field.
struct FieldNote {
    Field field;
    QString text;
};

// The field's name as the form prints it: "收款人姓名", "汇款金额"...
QString FieldName(Field field);

// The plain number an amount text holds when it is wholly one: a "￥" in front and blanks at either
// end allowed, then an optional minus and digits with at most one point ("12", "12.5", ".5", "12."),
// or digits grouped by thousands with commas ("1,200", "12,345.60"). Returns it without the sign,
// the blanks and the commas; nothing for any other text ("12元", "壹仟元", "abc", "1,20", "1.2.3", "").
std::optional<QString> PlainAmount(const QString& text);

// The amount as the form's boxes show it: "￥" and FormatAmount of the plain number ("1,200" gives
// "￥1200.00", "12.345" gives "￥12.34": cut, not rounded). A text that is not wholly a number is kept
// as it is, never cut to the number it begins with. An empty amount becomes "￥0.00" on a typed form and
// stays empty in a batch record, which is refused for it.
QString NormalisedAmount(const QString& text, FormSource source);

// The amount in fen as it prints (12.345 is 1234); nothing when it cannot be printed.
std::optional<qint64> AmountInFen(const QString& text);

// Money for the operator: "￥25,680.50".
QString MoneyText(qint64 fen);

// A form checked before it is printed or previewed: the form as it prints (its amount normalised), why
// it cannot be printed (nothing when it can), and what will print otherwise than it reads (a name
// that wraps onto the line below, decimals cut).
struct CheckedForm {
    FormContent form;
    std::vector<FieldNote> problems;
    std::vector<FieldNote> warnings;

    bool printable() const { return problems.empty(); }
    QString problemText() const;  // the problems, joined by "；"
    QString warningText() const;
};

// The one check every path that prints or previews a form goes through.
CheckedForm CheckForm(const FormContent& form, FormSource source);

// A record whose four batch fields (payee name, address, postcode, amount) are all empty is no form:
// it is never printed.
bool IsBlankRecord(const FormContent& form);

}  // namespace velmora
