#pragma once

#include <functional>
#include <vector>

#include "print_run.h"

namespace velmora {

// What one record of a batch run came to.
enum class RecordOutcome {
    Printed,     // the spooler or the file took its document
    Failed,      // it could not be shown or printed; the run stopped there
    Refused,     // the check refused it as it stood when its turn came; the run stopped there
    NotReached,  // the run stopped before it
};

// The steps of a batch run, given by whoever drives it (the main window, a test).
struct BatchRunSteps {
    // Brings the record into the form about to print (the main window moves NumScroll to it, so its
    // record change fills the payee boxes); false when it could not be shown.
    std::function<bool(int record)> show;
    // Prints the form shown, once, with no dialog.
    std::function<PrintResult(int record)> print;
    // Told after each record that was shown: what became of it.
    std::function<void(int record, const PrintResult& result)> done;
    // Asked before each record after the first: whether the operator asked to stop.
    std::function<bool()> stopRequested;
};

struct BatchRunReport {
    struct Item {
        int record;
        RecordOutcome outcome;
    };
    std::vector<Item> items;  // one per record given, in order
    int printed = 0;
    int stoppedAt = 0;    // the first record not reached when the operator stopped the run; else 0
    int failedAt = 0;     // the record that failed or was refused; else 0
    PrintResult failure;  // what went wrong with it

    RecordOutcome outcomeOf(int record) const;
};

// Prints `records` in order, one document each: for each, show it, then print it. A record that
// cannot be shown or printed stops the run there; the records after it are not reached. A stop asked
// for between two records stops the run before the next.
BatchRunReport RunBatch(const std::vector<int>& records, const BatchRunSteps& steps);

}  // namespace velmora
