#pragma once

#include <QString>
#include <vector>

#include "form.h"
#include "grid.h"

namespace velmora {

// What became of a batch record since the batch was imported.
enum class RecordState { NotPrinted, Printed, Failed };

// Record `row` of the batch grid over `common` (the boxes the operator typed once for the whole
// batch): payee name, address, postcode and amount as the grid holds them.
FormContent RecordForm(const Grid& grid, int row, const FormContent& common);

// A record and what the check says of it.
struct RecordNote {
    int record = 0;
    QString payee;
    QString text;
};

// Which records of a range "全部打印" prints, checked all before the first is printed.
struct PrintPlan {
    int first = 1;
    int last = 0;
    std::vector<int> records;          // to print, in order: printable, not blank, not printed before
    std::vector<RecordNote> refused;   // records that cannot be printed, with the reasons
    std::vector<RecordNote> warnings;  // records that print otherwise than they read
    int blank = 0;                     // blank records in the range: no forms, never printed
    int printedBefore = 0;             // records printed since the import and not to be printed again
    qint64 totalFen = 0;               // the sum of the amounts of `records`
};

// The plan for records first to last. `states` holds one state per record from record 1 (shorter
// means not printed); a record printed before is planned again only when `reprint` is true.
PrintPlan PlanPrint(const Grid& grid, const std::vector<RecordState>& states, int first, int last,
                    bool reprint, const FormContent& common);

// The record a resumed "全部打印" starts at: the first of 1 to count that is neither blank nor printed;
// 1 when every one is.
int FirstNotPrinted(const Grid& grid, const std::vector<RecordState>& states, int count);

// What a batch adds up to: "共 20 个汇款单，合计 ￥25,680.50，2 个不能打印" (the records that are not
// blank, the sum of the amounts that can be printed, and how many cannot).
struct BatchSummary {
    int records = 0;
    qint64 totalFen = 0;
    int refused = 0;
    QString text() const;
};
BatchSummary SummariseBatch(const Grid& grid, int count, const FormContent& common);

}  // namespace velmora
