#include "print_plan.h"

#include <QStringList>
#include <algorithm>

#include "amount.h"
#include "batch_columns.h"

namespace velmora {

namespace {

// At most this many records are named in a list of the question; the rest are counted.
constexpr int kListedRecords = 10;

QString listed(const QString& heading, const std::vector<RecordNote>& notes) {
    QStringList lines{heading};
    for (std::size_t k = 0; k < notes.size() && k < std::size_t(kListedRecords); ++k) {
        const RecordNote& n = notes[k];
        lines << QStringLiteral("第 %1 个（%2）：%3").arg(n.record).arg(n.payee, n.text);
    }
    if (notes.size() > std::size_t(kListedRecords)) {
        lines << QStringLiteral("……另有 %1 个").arg(notes.size() - std::size_t(kListedRecords));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

FormContent RecordForm(const Grid& grid, int row, const FormContent& common) {
    FormContent form = common;
    for (const BatchColumn& column : kBatchColumns) {
        form.text(column.field) = grid.text(row, column.gridColumn);
    }
    return form;
}

std::vector<int> PrintPlan::withReprints() const {
    std::vector<int> all = records;
    for (const RecordNote& n : printedBefore) {
        all.push_back(n.record);
    }
    std::sort(all.begin(), all.end());
    return all;
}

PrintPlan PlanPrint(const Grid& grid, int count, const FormContent& common,
                    const PrintedBefore& printedBefore, const CellDoubts& doubts) {
    PrintPlan plan;
    for (int record = 1; record <= count; ++record) {
        const FormContent form = RecordForm(grid, record, common);
        if (IsBlankRecord(form)) {
            ++plan.blank;
            continue;
        }
        CheckedForm checked = CheckForm(form);
        for (FieldNote& doubt : DoubtNotes(doubts, record)) {
            checked.problems.push_back(std::move(doubt));
        }
        const QString payee = form.text(Field::PayeeName);
        if (!checked.printable()) {
            plan.refused.push_back({record, payee, checked.problemText()});
            continue;
        }
        if (!checked.warnings.empty()) {
            plan.warnings.push_back({record, payee, checked.warningText()});
        }
        if (const QString before = printedBefore ? printedBefore(record, checked) : QString();
            !before.isEmpty()) {
            plan.printedBefore.push_back({record, payee, before});
            plan.printedBeforeTotal += checked.amount;
            continue;
        }
        plan.records.push_back(record);
        plan.total += checked.amount;
    }
    return plan;
}

QString PlanQuestion(const PrintPlan& plan, int editedRecord) {
    QStringList parts;
    if (!plan.refused.empty()) {
        parts << listed(QStringLiteral("以下 %1 个汇款单不能打印：").arg(plan.refused.size()), plan.refused);
    }
    if (!plan.printedBefore.empty()) {
        parts << listed(
            QStringLiteral("以下 %1 个汇款单已经打印过，这次不再打印：").arg(plan.printedBefore.size()),
            plan.printedBefore);
    }
    if (editedRecord > 0) {
        parts
            << QStringLiteral("第 %1 个汇款单在主窗口中的修改不会打印，请在批量数据中修改").arg(editedRecord);
    }
    if (!plan.warnings.empty()) {
        parts << listed(QStringLiteral("请注意："), plan.warnings);
    }
    parts << (plan.records.empty() ? QStringLiteral("没有其他可以打印的汇款单。")
                                   : QStringLiteral("其余 %1 个汇款单可以打印，合计 %2。")
                                         .arg(plan.records.size())
                                         .arg(plan.total.text()));
    return parts.join(QStringLiteral("\n\n"));
}

QString BatchSummary::text() const {
    QString line = QStringLiteral("共 %1 个汇款单，合计 %2").arg(records).arg(total.text());
    if (refused > 0) {
        line += QStringLiteral("，%1 个不能打印").arg(refused);
    }
    return line;
}

BatchSummary SummariseBatch(const Grid& grid, int count, const FormContent& common,
                            const CellDoubts& doubts) {
    BatchSummary summary;
    const PrintPlan plan = PlanPrint(grid, count, common, {}, doubts);
    summary.records = int(plan.records.size() + plan.refused.size());
    summary.total = plan.total;
    summary.refused = int(plan.refused.size());
    return summary;
}

}  // namespace velmora
