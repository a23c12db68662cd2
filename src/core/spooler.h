#pragma once

#include <QString>

namespace velmora {

// What the system's print spooler says about a printer's queue and about the job of a document Qt
// handed to it. On Linux CUPS answers; on Windows the spooler's answer is the one Qt reports when
// the document is handed over, and these add nothing to it.

// Why the printer's queue takes no jobs now, in words for the operator with the spooler's own; "" when
// it takes them or the spooler cannot say.
QString SpoolerQueueRefusal(const QString& printerName);

// Watches the job of one document that Qt hands to the spooler when its painter ends (Qt does not
// look at the spooler's answer). Made just before the painter ends, asked right after on the same
// thread: the spooler's last answer is kept per thread.
class SpoolerJobWatch {
public:
    SpoolerJobWatch(QString printerName, QString title);

    // "" when the spooler took the document's job and holds it to print (pending, held, processing or
    // completed); otherwise why the form will not print, in words for the operator with the spooler's
    // own: the job was refused, cannot be found, or is stopped, cancelled or aborted.
    QString answer() const;

private:
    QString printerName_;
    QString title_;
    int newestBefore_ = 0;  // this user's newest job on the queue before the document
};

}  // namespace velmora
