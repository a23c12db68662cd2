#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <memory>

#include "cell_text.h"
#include "zip_archive.h"

namespace velmora {

// The longest run of markup or text between two tags that a part may hold: far beyond a cell's
// 32,767 characters written as character references, and small enough that the XML reader never
// buffers much.
inline constexpr qint64 kXmlMaxRun = 4LL * 1024 * 1024;

// One XML part of a zip archive read forward with QXmlStreamReader, inflated as it is read, under
// the entry's limits. A document type declaration is refused before the reader sees it, and so is a
// run of text, a tag, a comment or a CDATA section longer than kXmlMaxRun. Every failure throws
// AutomationError 432 naming the part.
class XmlPart {
public:
    XmlPart(std::shared_ptr<const ZipArchive> archive, qint64 index, qint64 cap, const QString& name);
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    QXmlStreamReader& reader() { return xml_; }
    const QString& name() const { return name_; }

    // The next token; never Invalid or DTD (those throw).
    QXmlStreamReader::TokenType next();

    // Moves to the next start element at any depth; false at the end of the document.
    bool nextStartElement();

    // Walks the children of an element: called right after the element's start, or after the
    // previous child was read or skipped to its end, it moves to the next child's start; false at
    // the element's own end.
    bool nextChild();

    // Reads on to the end of the current element, whose start was the last token read.
    void skipElement();

    // Appends the text inside the current element (character data at any depth) to `text`, which
    // may grow to `limit` characters; beyond that the part is refused as broken.
    void appendElementText(QString& text, qsizetype limit = kMaxCellTextLength);

    [[noreturn]] void fail(const QString& why) const;

private:
    // Reads on to the end of the current element, appending its character data to text unless null.
    void readElement(QString* text, qsizetype limit);

    std::shared_ptr<const ZipArchive> archive_;
    QString name_;
    ZipEntryDevice device_;
    QXmlStreamReader xml_;
};

// Appends `more` to a cell's `text`, throwing AutomationError 432 when the text would pass `limit`.
void AppendCellText(QString& text, QStringView more, qsizetype limit = kMaxCellTextLength);

// Local names compare without their namespace prefix; the readers accept an element by its local
// name in whatever namespace the writer used (transitional or strict Office XML).
inline bool isElement(const QXmlStreamReader& xml, QLatin1StringView localName) {
    return xml.name() == localName;
}

}  // namespace velmora
