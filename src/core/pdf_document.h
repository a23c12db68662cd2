#pragma once

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include "safe_file.h"

namespace velmora {

// A PDF document drawn in memory and written to its file only once it is complete, by
// WritePrivateFile: readable by its user only (the forms hold payees' names and amounts), never
// through a link. A write that fails (a full disk, a folder that cannot be written, a target that is
// a link or no regular file) is reported with the path and leaves an earlier file of that name intact.
class PdfDocument {
public:
    PdfDocument(const QPageLayout& layout, int dotsPerInch);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // The painter on the first page, or nullptr with *error set.
    QPainter* begin(QString* error);
    bool newPage() { return writer_.newPage(); }
    // Ends the document and writes it to path; false with *error saying why.
    bool save(const QString& path, QString* error);

private:
    QBuffer buffer_;
    QPdfWriter writer_;
    QPainter painter_;
};

// The page every PDF the program writes has: A4, upright, no margins, so that the device's origin is
// the sheet's corner.
QPageLayout FullPageA4();

// The file of one record of a batch printed to `path`: the record's number before the suffix, as
// wide as the count's (at least two digits): forms.pdf, record 3 of 20, gives forms-03.pdf.
QString NumberedFileName(const QString& path, int record, int count);

}  // namespace velmora
