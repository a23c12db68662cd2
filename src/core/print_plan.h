#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "form.h"
#include "form_check.h"
#include "grid.h"
#include "import.h"

namespace velmora {

// What became of a batch record since the batch was imported.
enum class RecordState { NotPrinted, Printed, Failed };

// Record `row` of the batch grid over `common` (the boxes the operator typed once for the whole
// batch): payee name, address, postcode and amount as the grid holds them.
FormContent RecordForm(const Grid& grid, int row, const FormContent& common);

// A record and what is to be said of it.
struct RecordNote {
    int record = 0;
    QString payee;
    QString text;
};

// Whether a record was printed before, and where: "" when it was not. Asked of every printable record
// of a plan with the form as it would print.
using PrintedBefore = std::function<QString(int record, const CheckedForm& form)>;

// Which records "全部打印" prints, every one checked before the first is printed.
struct PrintPlan {
    std::vector<int> records;               // to print, in order: printable, not blank, not printed before
    std::vector<RecordNote> refused;        // records that cannot be printed, with the reasons
    std::vector<RecordNote> printedBefore;  // printable records printed before, with when and where
    std::vector<RecordNote> warnings;       // records worth a look before they print
    int blank = 0;                          // blank records: no forms, never printed
    Money total;                            // the sum of the amounts of `records`
    Money printedBeforeTotal;               // the sum of the amounts of `printedBefore`

    // Nothing is wrong: every record passes the check and none was printed before.
    bool clean() const { return refused.empty() && printedBefore.empty(); }
    // `records` and the records printed before, in record order: what prints when the operator asks
    // for those again.
    std::vector<int> withReprints() const;
};

// The plan for records 1 to count. A record with a doubtful cell is refused for it.
PrintPlan PlanPrint(const Grid& grid, int count, const FormContent& common,
                    const PrintedBefore& printedBefore, const CellDoubts& doubts = {});

// The one question before a batch prints when something is wrong: the records refused and why, the
// records printed before, and the record shown whose payee boxes the operator changed
// (`editedRecord`, 0 for none), then what would print.
QString PlanQuestion(const PrintPlan& plan, int editedRecord);

// What a batch adds up to: "共 20 个汇款单，合计 ￥25,680.50，2 个不能打印" (the records that are not
// blank, the sum of the amounts that can be printed, and how many cannot).
struct BatchSummary {
    int records = 0;
    Money total;
    int refused = 0;
    QString text() const;
};
BatchSummary SummariseBatch(const Grid& grid, int count, const FormContent& common,
                            const CellDoubts& doubts = {});

}  // namespace velmora
