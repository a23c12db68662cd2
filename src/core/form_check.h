#pragma once

#include <QString>
#include <vector>

#include "amount.h"
#include "form.h"

namespace velmora {

// What the check says about one field; the text names the field.
struct FieldNote {
    Field field;
    QString text;
};

// The field's name as the form prints it: "收款人姓名", "汇款金额"...
QString FieldName(Field field);

// A form checked before it is printed or previewed: the form as it prints (its amount normalised),
// why it cannot be printed (nothing when it can), and what is worth a look before it prints (an
// empty payee, a postcode that is not six digits, a name that wraps onto the line below, decimals
// cut).
struct CheckedForm {
    FormContent form;
    Money amount;  // the amount it prints, when printable
    std::vector<FieldNote> problems;
    std::vector<FieldNote> warnings;

    bool printable() const { return problems.empty(); }
    QString problemText() const;  // the problems, joined by "；"
    QString warningText() const;
};

// The one check every path that prints or previews a form goes through. It refuses only what would
// print otherwise than the box or cell reads: an amount that is not wholly a number, that the nine
// digit boxes cannot hold, or that is zero.
CheckedForm CheckForm(const FormContent& form);

// A record whose four batch fields (payee name, address, postcode, amount) are all empty is no form:
// it is never printed.
bool IsBlankRecord(const FormContent& form);

}  // namespace velmora
