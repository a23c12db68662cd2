#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <memory>
#include <vector>

#include "cell_text.h"
#include "zip_archive.h"

namespace velmora {

// The longest run of markup or text between two tags that a part may hold: far beyond a cell's
// 32,767 characters written as character references, and small enough that the XML reader never
// buffers much.
inline constexpr qint64 kXmlMaxRun = 4LL * 1024 * 1024;

// The most attributes an element may have, and the most namespace declarations in scope at once. Real
// parts hold far fewer (a cell has 3 attributes, a row about 8, the root of LibreOffice's content.xml
// about 45 declarations); the XML reader spends time growing with the square of each count.
inline constexpr int kXmlMaxAttributes = 256;
inline constexpr int kXmlMaxNamespaces = 256;

// The namespaces a reader understands: elements in any other namespace are skipped with everything
// inside them, as Excel and LibreOffice skip them. With markup compatibility on, an
// mc:AlternateContent stands for its first mc:Choice whose Requires prefixes all name understood
// namespaces, or else for its mc:Fallback.
struct XmlVocabulary {
    std::vector<QString> namespaces;
    bool markupCompatibility = false;
    bool understands(QStringView uri) const;
};

// Makes the device refuse what XmlPart refuses: a document type declaration, a construct longer than
// kXmlMaxRun, more attributes or namespace declarations than the bounds above.
void GuardXml(ZipEntryDevice& device);

// One XML part of a zip archive read forward with QXmlStreamReader, inflated as it is read, under
// the entry's limits. A document type declaration is refused before the reader sees it, and so is a
// run of text, a tag, a comment or a CDATA section longer than kXmlMaxRun, an element with more than
// kXmlMaxAttributes attributes, and a namespace declaration past kXmlMaxNamespaces in scope. Every failure
// throws AutomationError 432 naming the part. A part read to the end of its document has its CRC-32 checked.
class XmlPart {
public:
    XmlPart(std::shared_ptr<const ZipArchive> archive, qint64 index, qint64 cap, const QString& name,
            const XmlVocabulary& vocabulary);
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    QXmlStreamReader& reader() { return xml_; }
    const QString& name() const { return name_; }

    // The next token; never Invalid or DTD (those throw).
    QXmlStreamReader::TokenType next();

    // Moves to the document's root element: false when it is not in an understood namespace.
    bool root();

    // Walks the children of an element in understood namespaces: called right after the element's
    // start, or after the previous child was read or skipped to its end, it moves to the next child's
    // start; false at the element's own end.
    bool nextChild();

    // Whether the current element is in an understood namespace.
    bool understood() const { return vocabulary_.understands(xml_.namespaceUri()); }

    // The prefix the root element's namespace has ("" for the default namespace).
    const QString& rootPrefix() const { return rootPrefix_; }

    // Reads on to the end of the current element, whose start was the last token read.
    void skipElement();

    // Appends the current element's own character data (not that of elements inside it) to `text`.
    void appendElementText(BoundedText& text);

    // Reads the rest of the part's bytes unparsed, so that its CRC-32 is checked.
    void finish();

    [[noreturn]] void fail(const QString& why) const;

private:
    // Reads on until only `depth` elements are open.
    void skipTo(int depth);
    // The namespace a prefix has where the reader stands.
    QStringView namespaceOf(QStringView prefix) const;
    // At an mc:AlternateContent's start: moves into the branch it stands for, or past it.
    void enterAlternateContent();

    std::shared_ptr<const ZipArchive> archive_;
    QString name_;
    const XmlVocabulary& vocabulary_;
    ZipEntryDevice device_;
    QXmlStreamReader xml_;
    QString rootPrefix_;
    int depth_ = 0;  // elements open
    struct Declaration {
        int depth;
        QString prefix;
        QString uri;
    };
    std::vector<Declaration> declarations_;  // namespace declarations in scope (markup compatibility)
    std::vector<int> branches_;              // depths of the alternate-content branches entered
};

// Elements that nextChild() gives are in an understood namespace, so their local names tell them
// apart.
inline bool isElement(const QXmlStreamReader& xml, QLatin1StringView localName) {
    return xml.name() == localName;
}

// An attribute without a namespace, by its local name: a prefixed attribute of another vocabulary
// never stands for it.
inline QStringView plainAttribute(const QXmlStreamAttributes& attributes, QLatin1StringView localName) {
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.namespaceUri().isEmpty() && a.name() == localName) {
            return a.value();
        }
    }
    return {};
}

}  // namespace velmora
