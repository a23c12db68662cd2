// The spooler seam where CUPS is not the print system: no answer of the spooler is asked for yet, and
// Qt's own report of the printer and the document stands.

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
