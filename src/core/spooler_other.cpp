// The spooler seam where the print system is not CUPS: Windows, whose spooler Qt reaches through
// GDI. There the spooler answers while the document is handed over (StartDoc, EndDoc), and Qt reports
// that answer when the painter ends; Qt reads the queue's state from the printer's status, and
// anything but ready, busy or waiting (paused, offline, in error, out of paper) is its error state,
// which refuses the print before it starts. Windows keeps no finished jobs unless told to, so a job
// is not looked for after it is handed over: nothing is added to Qt's report.

#include "spooler.h"

namespace velmora {

QString SpoolerQueueRefusal(const QString&) {
    return {};
}

SpoolerJobWatch::SpoolerJobWatch(QString printerName, QString title)
    : printerName_(std::move(printerName)), title_(std::move(title)) {}

QString SpoolerJobWatch::answer() const {
    return {};
}

}  // namespace velmora
