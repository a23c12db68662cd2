#include "print_plan.h"

#include "form_check.h"
#include "import.h"

namespace velmora {

namespace {

RecordState stateOf(const std::vector<RecordState>& states, int record) {
    const std::size_t index = static_cast<std::size_t>(record - 1);
    return record >= 1 && index < states.size() ? states[index] : RecordState::NotPrinted;
}

}  // namespace

FormContent RecordForm(const Grid& grid, int row, const FormContent& common) {
    FormContent form = common;
    form.text(Field::PayeeName) = grid.text(row, kColumnPayee);
    form.text(Field::PayeeAddress) = grid.text(row, kColumnAddress);
    form.text(Field::PayeePostcode) = grid.text(row, kColumnPostcode);
    form.text(Field::Amount) = grid.text(row, kColumnAmount);
    return form;
}

PrintPlan PlanPrint(const Grid& grid, const std::vector<RecordState>& states, int first, int last,
                    bool reprint, const FormContent& common) {
    PrintPlan plan;
    plan.first = first;
    plan.last = last;
    for (int record = first; record <= last; ++record) {
        const FormContent form = RecordForm(grid, record, common);
        if (IsBlankRecord(form)) {
            ++plan.blank;
            continue;
        }
        const CheckedForm checked = CheckForm(form, FormSource::Batch);
        const QString payee = form.text(Field::PayeeName);
        if (!checked.printable()) {
            plan.refused.push_back({record, payee, checked.problemText()});
            continue;
        }
        if (!reprint && stateOf(states, record) == RecordState::Printed) {
            ++plan.printedBefore;
            continue;
        }
        if (!checked.warnings.empty()) {
            plan.warnings.push_back({record, payee, checked.warningText()});
        }
        plan.records.push_back(record);
        plan.totalFen += AmountInFen(checked.form.text(Field::Amount)).value_or(0);
    }
    return plan;
}

int FirstNotPrinted(const Grid& grid, const std::vector<RecordState>& states, int count) {
    for (int record = 1; record <= count; ++record) {
        if (stateOf(states, record) != RecordState::Printed && !IsBlankRecord(RecordForm(grid, record, {}))) {
            return record;
        }
    }
    return 1;
}

QString BatchSummary::text() const {
    QString line = QStringLiteral("共 %1 个汇款单，合计 %2").arg(records).arg(MoneyText(totalFen));
    if (refused > 0) {
        line += QStringLiteral("，%1 个不能打印").arg(refused);
    }
    return line;
}

BatchSummary SummariseBatch(const Grid& grid, int count, const FormContent& common) {
    BatchSummary summary;
    const PrintPlan plan = PlanPrint(grid, {}, 1, count, true, common);
    summary.records = int(plan.records.size() + plan.refused.size());
    summary.totalFen = plan.totalFen;
    summary.refused = int(plan.refused.size());
    return summary;
}

}  // namespace velmora
