#pragma once

#include <QString>

namespace velmora {

// Why the system's printer of that name cannot take a job now ("" when it can): it is not installed
// (any more), its queue is stopped, or its queue refuses new jobs. A stopped queue would accept the job
// and hold it unprinted; a refusing one would drop it. Asked before the first form of a run.
QString printerUnavailable(const QString& printerName);

}  // namespace velmora
