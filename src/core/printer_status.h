#pragma once

#include <QString>

namespace velmora {

// Why the system's printer of that name cannot take a job now ("" when it can): it is not installed
// (any more), or its queue is stopped. A stopped queue would accept the job and hold it unprinted.
QString printerUnavailable(const QString& printerName);

}  // namespace velmora
