#pragma once

#include <array>

#include "form.h"

namespace velmora {

// The batch grid's data columns, defined once: grid column n (1 to 4) holds one field of the form,
// read from the worksheet column that the open-workbook dialog names for it (ColNo(n - 1)), shown in
// the payee box of that field when record changes, printed from there.
struct BatchColumn {
    int gridColumn;
    Field field;
    const char16_t* heading;  // row 0 of the grid
};

inline constexpr std::array<BatchColumn, 4> kBatchColumns = {{
    {1, Field::PayeeName, u"收款人"},
    {2, Field::PayeeAddress, u"地\u3000址"},
    {3, Field::PayeePostcode, u"邮\u3000编"},
    {4, Field::Amount, u"    金\u3000额"},
}};

// The grid column of a field, 0 for a field the batch does not hold.
constexpr int GridColumnOf(Field field) {
    for (const BatchColumn& column : kBatchColumns) {
        if (column.field == field) {
            return column.gridColumn;
        }
    }
    return 0;
}

}  // namespace velmora
