#include "batch_run.h"

namespace velmora {

RecordOutcome BatchRunReport::outcomeOf(int record) const {
    for (const Item& item : items) {
        if (item.record == record) {
            return item.outcome;
        }
    }
    return RecordOutcome::NotReached;
}

BatchRunReport RunBatch(const std::vector<int>& records, const BatchRunSteps& steps) {
    BatchRunReport report;
    bool ended = false;
    for (const int record : records) {
        if (!ended && report.printed > 0 && steps.stopRequested && steps.stopRequested()) {
            report.stoppedAt = record;
            ended = true;
        }
        if (ended) {
            report.items.push_back({record, RecordOutcome::NotReached});
            continue;
        }
        PrintResult result;
        if (!steps.show(record)) {
            result = {PrintStatus::Failed, QStringLiteral("第 %1 个汇款单无法显示").arg(record)};
        } else {
            result = steps.print(record);
        }
        if (steps.done) {
            steps.done(record, result);
        }
        switch (result.status) {
            case PrintStatus::Printed:
                report.items.push_back({record, RecordOutcome::Printed});
                ++report.printed;
                continue;
            case PrintStatus::Refused:
                report.items.push_back({record, RecordOutcome::Refused});
                break;
            case PrintStatus::Failed:
            case PrintStatus::Cancelled:
                report.items.push_back({record, RecordOutcome::Failed});
                break;
        }
        report.failedAt = record;
        report.failure = result;
        ended = true;
    }
    return report;
}

}  // namespace velmora
