#pragma once

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

namespace velmora {

// A PDF document drawn in memory and written to its file only once it is complete: through a
// temporary file in the target's folder, renamed over the target, readable by its user only (the
// forms hold payees' names and amounts). A write that fails (a full disk, a folder that cannot be
// written, a target that is no regular file) is reported with the path and leaves an earlier file
// of that name intact.
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

// Writes data to path whole or not at all, as PdfDocument::save does: readable by its user only, an
// earlier file of that name intact when the write fails; false with *error saying why.
bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error);

// The page every PDF the program writes has: A4, upright, no margins, so that the device's origin is
// the sheet's corner.
QPageLayout FullPageA4();

// The file of one record of a batch printed to `path`: the record's number before the suffix, as
// wide as the count's (at least two digits): forms.pdf, record 3 of 20, gives forms-03.pdf.
QString NumberedFileName(const QString& path, int record, int count);

// Whether two paths name the same file, symbolic links followed (a path to a file that does not exist
// yet compares by its folder's real path).
bool SameFile(const QString& a, const QString& b);

}  // namespace velmora
