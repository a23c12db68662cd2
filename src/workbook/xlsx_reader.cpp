#include "xlsx_reader.h"

#include <QHash>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "cell_text.h"
#include "workbook_reader.h"
#include "zip_xml.h"

namespace velmora {

namespace {

constexpr int kXlsxMaxRow = 1048576;
constexpr int kXlsxMaxColumn = 16384;

// The namespaces read: SpreadsheetML, transitional and strict, and package relationships.
const XmlVocabulary kSpreadsheetMl{
    {QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"),
     QStringLiteral("http://purl.oclc.org/ooxml/spreadsheetml/main")},
    true};
const XmlVocabulary kPackageRelationships{
    {QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships")}, true};
const QString kRelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kStrictRelationshipsNs =
    QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships");
// Escapes such as "_x000D_" take up to seven characters for one, so the raw text of a cell may be
// that much longer than the cell's text.
constexpr qsizetype kMaxRawTextLength = 7 * kMaxCellTextLength;

QString partDirectory(const QString& part) {
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship's target as a part name: relative to the source part's folder, or absolute from the
// package root ("/xl/worksheets/sheet1.xml", as openpyxl writes it); "." and ".." resolved.
QString resolveTarget(const QString& sourceDirectory, QString target) {
    target = QUrl::fromPercentEncoding(target.toUtf8());
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString joined = target.startsWith(QLatin1Char('/')) ? target : sourceDirectory + target;
    QStringList parts;
    for (const QString& segment : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("..")) {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
        } else if (segment != QLatin1String(".")) {
            parts.append(segment);
        }
    }
    return parts.join(QLatin1Char('/'));
}

QStringView attribute(const QXmlStreamAttributes& attributes, QLatin1StringView localName) {
    return plainAttribute(attributes, localName);
}

// An xsd:boolean attribute's value.
template <typename Text>
bool isTrue(Text value) {
    return value == QLatin1String("1") || value == QLatin1String("true");
}

// The relationship id of a <sheet>: r:id, in the relationships namespace (transitional or strict).
QString relationshipId(const QXmlStreamAttributes& attributes) {
    const QStringView id = attributes.value(kRelationshipsNs, QLatin1String("id"));
    return (id.isEmpty() ? attributes.value(kStrictRelationshipsNs, QLatin1String("id")) : id).toString();
}

bool typeIs(const QString& relationshipType, QLatin1StringView kind) {
    return relationshipType.endsWith(QLatin1Char('/') + kind);
}

struct Relationship {
    QString type;
    QString target;  // a part name
};

// The relationships of a part, by id; empty when the part has none.
QHash<QString, Relationship> readRelationships(const std::shared_ptr<const ZipArchive>& archive,
                                               const QString& sourcePart) {
    const QString directory = partDirectory(sourcePart);
    const QString relsName =
        directory + QStringLiteral("_rels/") + sourcePart.mid(directory.size()) + QStringLiteral(".rels");
    QHash<QString, Relationship> result;
    const qint64 index = archive->find(relsName);
    if (index < 0) {
        return result;
    }
    XmlPart part(archive, index, kZipPartCap, relsName, kPackageRelationships);
    if (!part.root()) {
        part.fail(QStringLiteral("not relationships"));
    }
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        if (!isElement(xml, QLatin1String("Relationship")) ||
            attribute(xml.attributes(), QLatin1String("TargetMode")) == QLatin1String("External")) {
            part.skipElement();
            continue;
        }
        const QString id = attribute(xml.attributes(), QLatin1String("Id")).toString();
        if (!result.contains(id)) {
            result.insert(
                id,
                {attribute(xml.attributes(), QLatin1String("Type")).toString(),
                 resolveTarget(directory, attribute(xml.attributes(), QLatin1String("Target")).toString())});
        }
        part.skipElement();
    }
    part.finish();
    return result;
}

// Undoes the escapes Office XML uses for characters XML cannot carry: "_x000D_" is a carriage return,
// "_x005F_" a literal "_".
QString decodeEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x') &&
            text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const ushort code = QStringView(text).mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                result.append(QChar(code));
                i += 6;
                continue;
            }
        }
        result.append(text[i]);
    }
    return result;
}

// The text of a string item, <si> or <is>, whose start was the last token read: plain <t>, or the
// <t> of its rich-text runs <r>; phonetic runs <rPh> are left out.
BoundedText readStringItem(XmlPart& part) {
    BoundedText text;
    const auto readT = [&] {
        BoundedText raw(kMaxRawTextLength);
        part.appendElementText(raw);
        if (raw.tooLong()) {
            text.markTooLong();  // escapes shrink 7 characters to 1 at most
        } else {
            text.append(decodeEscapes(raw.text()));
        }
    };
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        if (isElement(xml, QLatin1String("t"))) {
            readT();
        } else if (isElement(xml, QLatin1String("r"))) {
            while (part.nextChild()) {
                if (isElement(part.reader(), QLatin1String("t"))) {
                    readT();
                } else {
                    part.skipElement();
                }
            }
        } else {
            part.skipElement();
        }
    }
    return text;
}

// The shared strings, parsed forward only as far as the cells read so far have needed. Reading stops
// where the last string needed ends, so the part's CRC-32 is checked only when every string was needed.
class SharedStrings {
public:
    SharedStrings(std::shared_ptr<const ZipArchive> archive, qint64 index, const QString& name)
        : part_(std::make_unique<XmlPart>(std::move(archive), index, kZipSheetCap, name, kSpreadsheetMl)) {
        if (!part_->root()) {
            part_->fail(QStringLiteral("not a shared string table"));
        }
    }

    QString at(qint64 index) {
        if (index < 0 || index >= kMaxSharedStrings) {
            ThrowBroken(QStringLiteral("shared string %1 past any table read").arg(index));
        }
        while (index >= table_.size() && part_) {
            if (!part_->nextChild()) {
                part_->finish();
                part_.reset();  // every string read; the stream is no longer needed
            } else if (isElement(part_->reader(), QLatin1String("si"))) {
                table_.add(readStringItem(*part_));
            } else {
                part_->skipElement();
            }
        }
        if (index >= table_.size()) {
            ThrowBroken(QStringLiteral("shared string %1 missing").arg(index));
        }
        return table_.at(index);
    }

private:
    std::unique_ptr<XmlPart> part_;
    SharedStringTable table_;
};

// What the workbook and its worksheets share.
struct Package {
    std::shared_ptr<const ZipArchive> archive;
    bool date1904 = false;
    bool fullCalcOnLoad = false;  // the workbook asks to be recalculated when opened
    qint64 sharedStringsIndex = -1;
    QString sharedStringsName;
    qint64 stylesIndex = -1;
    QString stylesName;
    std::unique_ptr<SharedStrings> sharedStrings;
    std::optional<std::vector<NumberFormat>> styles;  // by cell style index

    QString sharedString(qint64 index) {
        if (!sharedStrings) {
            if (sharedStringsIndex < 0) {
                ThrowBroken(
                    QStringLiteral("shared string %1 of a workbook without shared strings").arg(index));
            }
            sharedStrings = std::make_unique<SharedStrings>(archive, sharedStringsIndex, sharedStringsName);
        }
        return sharedStrings->at(index);
    }

    NumberFormat style(int index) {
        if (!styles) {
            styles = readStyles();
        }
        return index >= 0 && index < static_cast<int>(styles->size()) ? (*styles)[static_cast<size_t>(index)]
                                                                      : NumberFormat();
    }

    // What each cell style shows a number as, from its number format; Excel's 64,000 at most.
    std::vector<NumberFormat> readStyles() const {
        std::vector<NumberFormat> formats;
        if (stylesIndex < 0) {
            return formats;
        }
        XmlPart part(archive, stylesIndex, kZipPartCap, stylesName, kSpreadsheetMl);
        QHash<int, NumberFormat> custom;
        if (!part.root()) {
            return formats;
        }
        while (part.nextChild()) {
            const QXmlStreamReader& xml = part.reader();
            const bool numFmts = isElement(xml, QLatin1String("numFmts"));
            if (!numFmts && !isElement(xml, QLatin1String("cellXfs"))) {
                part.skipElement();
                continue;
            }
            while (part.nextChild()) {
                const QXmlStreamAttributes a = part.reader().attributes();
                const int id = attribute(a, QLatin1String("numFmtId")).toInt();
                if (numFmts && isElement(part.reader(), QLatin1String("numFmt"))) {
                    custom.insert(id, NumberFormatOfCode(attribute(a, QLatin1String("formatCode"))));
                } else if (!numFmts && isElement(part.reader(), QLatin1String("xf")) &&
                           formats.size() < 64000) {
                    formats.push_back(custom.contains(id) ? custom.value(id) : BuiltinNumberFormat(id));
                }
                part.skipElement();
            }
        }
        part.finish();
        return formats;
    }
};

enum class CellType : quint8 { Number, SharedString, InlineString, FormulaString, Error, Boolean, Date };

template <typename Text>
CellType cellType(Text t) {
    if (t == QLatin1String("s")) {
        return CellType::SharedString;
    }
    if (t == QLatin1String("inlineStr")) {
        return CellType::InlineString;
    }
    if (t == QLatin1String("str")) {
        return CellType::FormulaString;
    }
    if (t == QLatin1String("e")) {
        return CellType::Error;
    }
    if (t == QLatin1String("b")) {
        return CellType::Boolean;
    }
    return t == QLatin1String("d") ? CellType::Date : CellType::Number;
}

// One cell as the sheet stores it; converted to text only when read.
struct RawCell {
    int row = 0;
    int col = 0;
    int style = 0;
    CellType type = CellType::Number;
    bool tooLong = false;
    bool formula = false;   // an <f>
    bool hasValue = false;  // a <v> or <is>
    QString value;          // <v>, or an inline string's text
};

QString textOf(const RawCell& cell, Package& package) {
    if (cell.tooLong) {
        ThrowCellTooLong();
    }
    const QString& value = cell.value;
    switch (cell.type) {
        case CellType::SharedString: {
            bool ok = false;
            const qint64 index = value.trimmed().toLongLong(&ok);
            if (!ok) {
                ThrowBroken(QStringLiteral("shared string index %1").arg(value));
            }
            return package.sharedString(index);
        }
        case CellType::InlineString:
            return value;
        case CellType::FormulaString: {
            BoundedText text;
            text.append(decodeEscapes(value));
            return text.take();
        }
        case CellType::Error:
            return value.trimmed();
        case CellType::Boolean: {
            const QString v = value.trimmed();
            return v.isEmpty() ? QString()
                               : BooleanText(v == QLatin1String("1") || v == QLatin1String("true"));
        }
        case CellType::Date:
            return IsoDateText(value.trimmed());
        case CellType::Number:
            break;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) {
        BoundedText text;  // not a number after all: the text as it stands
        text.append(value);
        return text.take();
    }
    return FormattedNumberText(number, package.style(cell.style), package.date1904);
}

bool isBlank(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

// The column and row of a cell reference ("AB12" gives 28 and 12); the row is 0 when the reference has
// none, the column 0 when it is no reference.
std::pair<int, int> cellReference(QByteArrayView reference) {
    int col = 0;
    qsizetype i = 0;
    for (; i < reference.size() && i < 3; ++i) {
        const char c = reference[i];
        if (c >= 'A' && c <= 'Z') {
            col = col * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            col = col * 26 + (c - 'a' + 1);
        } else {
            break;
        }
    }
    int row = 0;
    for (qsizetype j = i; j < reference.size(); ++j) {
        if (reference[j] < '0' || reference[j] > '9' || row > kXlsxMaxRow) {
            return {0, 0};
        }
        row = row * 10 + (reference[j] - '0');
    }
    return {i == 0 ? 0 : col, row};
}

// A row number attribute: 1 to the last row, or 0.
int rowNumber(QByteArrayView text) {
    int row = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || row > kXlsxMaxRow) {
            return 0;
        }
        row = row * 10 + (c - '0');
    }
    return row <= kXlsxMaxRow ? row : 0;
}

// Adds the range a <mergeCell ref="A2:D2"> names; a reference that names no range makes the sheet broken.
void addMergedRange(MergedRanges& merged, QByteArrayView ref) {
    const qsizetype colon = ref.indexOf(':');
    const auto [firstCol, firstRow] = cellReference(colon < 0 ? ref : ref.first(colon));
    const auto [lastCol, lastRow] =
        colon < 0 ? std::pair{firstCol, firstRow} : cellReference(ref.sliced(colon + 1));
    for (int col : {firstCol, lastCol}) {
        if (col < 1 || col > kXlsxMaxColumn) {
            ThrowBroken(QStringLiteral("merged range %1").arg(QString::fromLatin1(ref)));
        }
    }
    for (int row : {firstRow, lastRow}) {
        if (row < 1 || row > kXlsxMaxRow) {
            ThrowBroken(QStringLiteral("merged range %1").arg(QString::fromLatin1(ref)));
        }
    }
    merged.add(firstRow, firstCol, lastRow, lastCol);
}

// XML character data as text: character and entity references resolved, line ends normalised.
QString decodeXmlText(QByteArrayView raw) {
    QString text;
    qsizetype plain = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '&' && c != '\r') {
            continue;
        }
        text += QString::fromUtf8(raw.sliced(plain, i - plain));
        plain = i + 1;
        if (c == '\r') {
            text += QLatin1Char('\n');
            if (i + 1 < raw.size() && raw[i + 1] == '\n') {
                ++i;
                plain = i + 1;
            }
            continue;
        }
        const qsizetype end = raw.sliced(i).indexOf(';');
        if (end < 0) {
            continue;
        }
        const QByteArrayView name = raw.sliced(i + 1, end - 1);
        char32_t code = 0;
        if (name == "lt") {
            code = '<';
        } else if (name == "gt") {
            code = '>';
        } else if (name == "amp") {
            code = '&';
        } else if (name == "quot") {
            code = '"';
        } else if (name == "apos") {
            code = '\'';
        } else if (name.startsWith("#x")) {
            code = name.sliced(2).toByteArray().toUInt(nullptr, 16);
        } else if (name.startsWith('#')) {
            code = name.sliced(1).toByteArray().toUInt();
        }
        text += QString::fromUcs4(&code, 1);
        i += end;
        plain = i + 1;
    }
    return text + QString::fromUtf8(raw.sliced(plain));
}

// A worksheet part read once from end to end without an XML parser, for two things: whether its rows
// and cells come in order (every cell in its row, rows ascending), and where its cells with data are
// (kept compactly for nextRowWithData, so that the search for data beyond the rows read costs no
// second pass). It reads tags by the prefix the root element gives SpreadsheetML; anything it cannot
// judge by bytes alone (another prefix at the top or inside the rows, a namespace declaration, a
// comment or processing instruction among the rows, an entity in an attribute, a part not in UTF-8)
// makes the part "foreign", and the worksheet is then read through the XML parser whole.
class SheetScan {
public:
    // A cell that may hold data, in 64 bits: its row and column, and for a shared string its index
    // (data if that string is not blank).
    struct Candidate {
        quint64 bits;
        int row() const { return int(bits >> 43); }
        int col() const { return int(bits >> 28 & 0x7FFF); }
        bool shared() const { return (bits >> 27 & 1) != 0; }
        quint32 index() const { return quint32(bits & 0x7FFFFFF); }
    };
    static_assert(kMaxSharedStrings <= 0x7FFFFFF && kXlsxMaxColumn <= 0x7FFF);
    static constexpr size_t kMaxCandidates = 4 * 1024 * 1024;  // 32 MiB

    // The scan needs no XML guard: it bounds tags itself, keeps no more text than a cell's, and leaves
    // a document type declaration, as anything special, to the XML parser.
    SheetScan(const ZipArchive& archive, qint64 index, Package& package)
        : device_(archive, index, kZipSheetCap), package_(package) {
        scan();
        if (!device_.drain()) {  // the part's rest, for its CRC-32
            ThrowBroken(device_.why());
        }
    }

    bool foreign = false;
    bool ordered = true;
    MergedRanges merged;          // of a sheet neither foreign nor out of order
    bool fullCalcOnLoad = false;  // likewise: its <sheetCalcPr> asks for recalculation when opened
    std::vector<Candidate> candidates;
    // With more candidates than are kept: the row from which they were left out, else 0.
    int candidatesEnd = 0;

private:
    // Reads more of the part onto the buffer's end; false at the part's end.
    bool more() {
        const qsizetype size = buffer_.size();
        buffer_.resize(size + 65536);
        const qint64 n = device_.read(buffer_.data() + size, 65536);
        if (n < 0 || device_.failed()) {
            ThrowBroken(device_.why());
        }
        buffer_.resize(size + n);
        return n > 0;
    }

    // Whether `n` bytes from the reader's place are in the buffer, reading more as needed.
    bool available(qsizetype n) {
        while (buffer_.size() - pos_ < n) {
            if (!more()) {
                return false;
            }
        }
        return true;
    }

    // Moves to the next '<', passing the text before it to `text` (when it is not null); false at the end.
    bool nextTag(QByteArray* text) {
        for (;;) {
            const char* start = buffer_.constData() + pos_;
            const qsizetype left = buffer_.size() - pos_;
            const void* lt = nullptr;
            for (qsizetype k = 0; k < std::min<qsizetype>(left, 16) && !lt; ++k) {  // tags lie close together
                lt = start[k] == '<' ? start + k : nullptr;
            }
            lt = lt || left <= 16 ? lt : std::memchr(start + 16, '<', static_cast<size_t>(left - 16));
            const qsizetype n = lt ? static_cast<const char*>(lt) - start : buffer_.size() - pos_;
            if (text && text->size() <= kMaxRawTextLength) {
                text->append(start, n);
            }
            pos_ += n;
            if (lt) {
                if (pos_ > (1 << 20)) {
                    buffer_.remove(0, pos_);
                    pos_ = 0;
                }
                return true;
            }
            buffer_.resize(0);
            pos_ = 0;
            if (!more()) {
                return false;
            }
        }
    }

    // The tag at the '<' where the reader stands, read whole and passed: its name, attributes, and
    // whether it ends or is empty. False when the part ends inside it.
    struct Tag {
        QByteArrayView name;
        QByteArrayView attributes;
        bool end = false;
        bool empty = false;
        bool special = false;  // a comment, CDATA section, processing instruction or declaration
    };
    bool readTag(Tag& tag) {
        qsizetype i = pos_ + 1;
        char quote = 0;
        for (const char* p = buffer_.constData();; ++i) {
            if (i >= buffer_.size()) {
                if (i - pos_ > kXmlMaxRun) {
                    ThrowBroken(QStringLiteral("XML tag longer than %1 bytes").arg(kXmlMaxRun));
                }
                if (!more()) {
                    return false;
                }
                p = buffer_.constData();
            }
            const char c = p[i];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        QByteArrayView body(buffer_.constData() + pos_ + 1, i - pos_ - 1);
        pos_ = i + 1;
        tag = Tag();
        if (body.startsWith('!') || body.startsWith('?')) {
            tag.special = true;
            return true;
        }
        if (body.startsWith('/')) {
            tag.end = true;
            body = body.sliced(1);
        }
        if (body.endsWith('/')) {
            tag.empty = true;
            body.chop(1);
        }
        qsizetype n = 0;
        while (n < body.size() && !isSpace(body[n])) {
            ++n;
        }
        tag.name = body.first(n);
        tag.attributes = body.sliced(n);
        return true;
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // Calls f(name, value) for each attribute.
    template <typename F>
    static void forEachAttribute(QByteArrayView attributes, F f) {
        const char* p = attributes.data();
        const qsizetype size = attributes.size();
        for (qsizetype i = 0; i < size;) {
            while (i < size && isSpace(p[i])) {
                ++i;
            }
            const qsizetype nameStart = i;
            while (i < size && p[i] != '=' && !isSpace(p[i])) {
                ++i;
            }
            const QByteArrayView name(p + nameStart, i - nameStart);
            while (i < size && p[i] != '"' && p[i] != '\'') {
                ++i;
            }
            if (i >= size) {
                return;
            }
            const char quote = p[i];
            const qsizetype valueStart = ++i;
            while (i < size && p[i] != quote) {
                ++i;
            }
            f(name, QByteArrayView(p + valueStart, i - valueStart));
            ++i;
        }
    }

    // The attributes r, t and s of a tag in the rows; a namespace declaration or an entity there makes
    // the part foreign.
    struct Attributes {
        QByteArrayView r, t, s;
    };
    Attributes attributesOf(QByteArrayView attributes) {
        Attributes found;
        forEachAttribute(attributes, [&](QByteArrayView name, QByteArrayView value) {
            if (is(name, "r")) {
                found.r = value;
            } else if (is(name, "t")) {
                found.t = value;
            } else if (is(name, "s")) {
                found.s = value;
            } else if (name.startsWith("xmlns")) {
                foreign = true;
            }
            foreign = foreign || value.contains('&');
        });
        return found;
    }

    // The namespace the root element declares for its own prefix.
    QByteArrayView rootNamespace(QByteArrayView attributes) const {
        const QByteArray wanted = prefix_.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix_;
        QByteArrayView found;
        forEachAttribute(attributes, [&](QByteArrayView name, QByteArrayView value) {
            if (name == wanted) {
                found = value;
            }
        });
        return found;
    }

    // Whether a name is the literal, compared inline.
    template <size_t N>
    static bool is(QByteArrayView name, const char (&literal)[N]) {
        return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
    }

    // Splits a qualified name; false when its prefix is not SpreadsheetML's.
    bool local(QByteArrayView name, QByteArrayView& localName) const {
        qsizetype colon = 0;
        while (colon < name.size() && name[colon] != ':') {
            ++colon;
        }
        if (colon == name.size()) {
            localName = name;
            return prefix_.isEmpty();
        }
        localName = name.sliced(colon + 1);
        return colon == prefix_.size() && std::memcmp(name.data(), prefix_.constData(), size_t(colon)) == 0;
    }

    void scan() {
        Tag tag;
        QByteArrayView name;
        // The root element: SpreadsheetML's worksheet, its namespace declared on it.
        do {
            if (!nextTag(nullptr) || !readTag(tag)) {
                foreign = true;
                return;
            }
        } while (tag.special && !tag.end);
        const qsizetype colon = tag.name.indexOf(':');
        prefix_ = colon < 0 ? QByteArray() : tag.name.first(colon).toByteArray();
        const QByteArrayView ns = rootNamespace(tag.attributes);
        if (!local(tag.name, name) || !is(name, "worksheet") || tag.empty ||
            !kSpreadsheetMl.understands(QString::fromUtf8(ns))) {
            foreign = true;
            return;
        }
        // On to <sheetData> among the root's children.
        for (int depth = 1; depth > 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                return;
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth == 1 && !tag.end && (!ours || is(name, "AlternateContent"))) {
                foreign = true;
                return;
            }
            if (depth == 1 && ours && is(name, "sheetData") && !tag.end) {
                if (!tag.empty) {
                    scanRows();
                }
                if (!foreign && ordered) {
                    scanAfterRows();
                }
                return;
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    void scanRows() {
        Tag tag;
        QByteArrayView name;
        int row = 0;
        int lastRow = 0;
        int col = 0;
        RawCell cell;
        bool inCell = false;
        // The element whose text is the cell's value: <v>, or a <t> of an inline string outside <rPh>.
        int inValue = 0;
        bool inPhonetic = false;
        QByteArray value;
        while (!foreign && ordered) {
            if (!nextTag(inValue > 0 ? &value : nullptr)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            // The commonest tags, with SpreadsheetML the default namespace, are told by their bytes.
            if (prefix_.isEmpty() && available(6)) {
                const char* t = buffer_.constData() + pos_;
                if (inCell && std::memcmp(t, "</c>", 4) == 0) {
                    pos_ += 4;
                    inCell = false;
                    judge(cell, value);
                    continue;
                }
                if (inCell && (std::memcmp(t, "<v>", 3) == 0 || std::memcmp(t, "</v>", 4) == 0)) {
                    inValue += t[1] == '/' ? -1 : 1;
                    pos_ += t[1] == '/' ? 4 : 3;
                    continue;
                }
                if (std::memcmp(t, "</row>", 6) == 0) {
                    pos_ += 6;
                    continue;
                }
            }
            if (!readTag(tag)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            if (tag.special || !local(tag.name, name)) {
                foreign = true;
                return;
            }
            if (is(name, "sheetData") && tag.end) {
                return;
            }
            if (is(name, "row") && !tag.end) {
                const QByteArrayView r = attributesOf(tag.attributes).r;
                row = r.isEmpty() ? row + 1 : rowNumber(r);
                if (row < 1 || row > kXlsxMaxRow) {
                    ThrowBroken(QStringLiteral("row number %1").arg(QString::fromUtf8(r)));
                }
                ordered = row > lastRow;
                lastRow = row;
                col = 0;
            } else if (is(name, "c") && !tag.end) {
                const Attributes attributes = attributesOf(tag.attributes);
                const QByteArrayView r = attributes.r;
                const auto [refCol, refRow] = cellReference(r);
                col = r.isEmpty() ? col + 1 : refCol;
                if (col < 1 || col > kXlsxMaxColumn) {
                    ThrowBroken(QStringLiteral("cell reference %1").arg(QString::fromUtf8(r)));
                }
                ordered = ordered && (refRow == 0 || refRow == row) && row > 0;
                cell = RawCell();
                cell.row = row;
                cell.col = col;
                cell.type = cellType(QLatin1StringView(attributes.t));
                cell.style = rowNumber(attributes.s);
                inCell = !tag.empty;
                value.resize(0);
            } else if (inCell && is(name, "c") && tag.end) {
                inCell = false;
                judge(cell, value);
            } else if (inCell && !tag.empty) {
                if (is(name, "rPh")) {
                    inPhonetic = !tag.end;
                } else if (is(name, "v") || (is(name, "t") && !inPhonetic)) {
                    inValue += tag.end ? -1 : 1;
                }
            }
        }
    }

    // After the rows, among the root's other children: <sheetCalcPr> and the ranges of the first
    // <mergeCells>. Other
    // elements are passed over with what they hold, as the XML reader passes them; an
    // mc:AlternateContent could stand for <mergeCells>, and leaves the sheet to the XML reader.
    void scanAfterRows() {
        Tag tag;
        QByteArrayView name;
        for (int depth = 1; depth > 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                return;
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth == 1 && !tag.end && is(name, "AlternateContent")) {
                foreign = true;
                return;
            }
            if (depth == 1 && !tag.end && ours && is(name, "sheetCalcPr")) {
                forEachAttribute(tag.attributes, [&](QByteArrayView attribute, QByteArrayView value) {
                    fullCalcOnLoad =
                        is(attribute, "fullCalcOnLoad") ? isTrue(QLatin1StringView(value)) : fullCalcOnLoad;
                    foreign = foreign || attribute.startsWith("xmlns") || value.contains('&');
                });
                if (foreign) {
                    return;
                }
            }
            if (depth == 1 && !tag.end && ours && is(name, "mergeCells")) {
                if (!tag.empty) {
                    scanMergeCells();
                }
                return;
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    // The <mergeCell ref="..."> children of <mergeCells>, up to its end.
    void scanMergeCells() {
        Tag tag;
        QByteArrayView name;
        for (int depth = 0; depth >= 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth == 0 && !tag.end && (is(name, "AlternateContent") || (ours && is(name, "mergeCell")))) {
                QByteArrayView ref;
                forEachAttribute(tag.attributes, [&](QByteArrayView attribute, QByteArrayView value) {
                    ref = is(attribute, "ref") ? value : ref;
                    foreign = foreign || attribute.startsWith("xmlns") || value.contains('&');
                });
                if (foreign || !ours) {
                    foreign = true;
                    return;
                }
                addMergedRange(merged, ref);
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    // Keeps the cell as a candidate when it may hold data.
    void judge(RawCell& cell, const QByteArray& raw) {
        if (raw.isEmpty() || candidatesEnd != 0) {
            return;
        }
        quint64 bits = quint64(cell.row) << 43 | quint64(cell.col) << 28;
        const bool plain = std::all_of(raw.cbegin(), raw.cend(), [](char c) { return c > ' ' && c != '&'; });
        if (plain && cell.type != CellType::SharedString && cell.type != CellType::InlineString &&
            cell.type != CellType::FormulaString && candidates.size() < kMaxCandidates) {
            candidates.push_back({bits});  // a number, boolean, error or date that is not blank
            return;
        }
        if (cell.type == CellType::SharedString) {
            const QByteArrayView digits = QByteArrayView(raw).trimmed();
            quint64 index = digits.isEmpty() ? kMaxSharedStrings : 0;
            for (qsizetype i = 0; i < digits.size() && index < kMaxSharedStrings; ++i) {
                index =
                    digits[i] >= '0' && digits[i] <= '9' ? index * 10 + (digits[i] - '0') : kMaxSharedStrings;
            }
            if (index < kMaxSharedStrings) {  // a bad index is judged data: reading it fails
                bits |= quint64{1} << 27 | index;
            }
        } else if (cell.type == CellType::InlineString || cell.type == CellType::FormulaString ||
                   raw.contains('&') ||
                   std::any_of(raw.cbegin(), raw.cend(), [](char c) { return isSpace(c); })) {
            // The text decides: a blank string, a value of spaces.
            cell.tooLong = raw.size() > kMaxRawTextLength;
            if (!cell.tooLong) {
                cell.value = decodeXmlText(raw);
                if (cell.type == CellType::InlineString) {
                    cell.value = decodeEscapes(cell.value);
                }
            }
            try {
                if (isBlank(textOf(cell, package_))) {
                    return;
                }
            } catch (const AutomationError&) {
                // too long or unreadable: data all the same
            }
        }
        if (candidates.size() >= kMaxCandidates) {
            candidatesEnd = cell.row;
            return;
        }
        candidates.push_back({bits});
    }

    ZipEntryDevice device_;
    Package& package_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    QByteArray prefix_;
};

class XlsxWorksheet final : public RowBlockWorksheet {
public:
    XlsxWorksheet(std::shared_ptr<Package> package, qint64 index, const QString& name)
        : RowBlockWorksheet(kXlsxMaxRow, kXlsxMaxColumn),
          package_(std::move(package)),
          index_(index),
          name_(name),
          scan_(*package_->archive, index, *package_) {
        if (scan_.foreign || !scan_.ordered) {
            readTable();
        } else {
            merged_ = std::move(scan_.merged);
            fullCalcOnLoad_ = scan_.fullCalcOnLoad;
        }
        rewind();
    }

    int nextRowWithData(int row, const std::vector<int>& columns) override {
        if (tableMode_) {
            return RowBlockWorksheet::nextRowWithData(row, columns);
        }
        for (int col : columns) {
            checkReference(1, col);
        }
        // The candidates come in row order: the first that holds data is the answer.
        for (const SheetScan::Candidate& c : scan_.candidates) {
            if (c.row() <= row || std::find(columns.cbegin(), columns.cend(), c.col()) == columns.cend() ||
                merged_.hides(c.row(), c.col())) {
                continue;
            }
            if (!c.shared()) {
                return c.row();
            }
            try {
                if (!isBlank(package_->sharedString(c.index()))) {
                    return c.row();
                }
            } catch (const AutomationError& e) {
                if (e.number != kErrorCellTooLong) {
                    throw;
                }
                return c.row();
            }
        }
        // Past the candidates kept, the sheet itself is read.
        return scan_.candidatesEnd == 0
                   ? 0
                   : RowBlockWorksheet::nextRowWithData(std::max(row, scan_.candidatesEnd - 1), columns);
    }

protected:
    void rewind() override {
        part_.reset();
        clearCells();
        rowNumber_ = 0;
        tableAt_ = 0;
        if (tableMode_) {
            return;
        }
        part_ = openSheetData();
    }

    bool nextBlock() override {
        clearCells();
        if (tableMode_) {
            if (tableAt_ >= table_.size()) {
                return false;
            }
            first_ = last_ = table_[tableAt_].row;
            while (tableAt_ < table_.size() && table_[tableAt_].row == first_) {
                place(RawCell(table_[tableAt_++]));
            }
            return true;
        }
        while (part_) {
            if (!part_->nextChild()) {
                // Past the sheet data; nothing after it holds cells. The scan checked the part's CRC-32.
                part_.reset();
                return false;
            }
            if (isElement(part_->reader(), QLatin1String("row"))) {
                readRow(*part_, [this](RawCell&& cell) {
                    if (cell.row != rowNumber_) {
                        part_->fail(QStringLiteral("cell of row %1 in row %2").arg(cell.row).arg(rowNumber_));
                    }
                    place(std::move(cell));
                });
                first_ = rowNumber_;
                last_ = rowNumber_;
                return true;
            }
            part_->skipElement();
        }
        return false;
    }

    QString blockCellText(int col) override {
        const int slot = slots_[static_cast<size_t>(col)];
        return slot == 0 ? QString() : textOf(cells_[static_cast<size_t>(slot - 1)], *package_);
    }

    bool blockUncomputedFormula(int col) override {
        const int slot = slots_[static_cast<size_t>(col)];
        if (slot == 0) {
            return false;
        }
        const RawCell& cell = cells_[static_cast<size_t>(slot - 1)];
        return cell.formula && (!cell.hasValue || package_->fullCalcOnLoad || fullCalcOnLoad_);
    }

private:
    // The sheet part positioned in <sheetData>, or null for a sheet without one.
    std::unique_ptr<XmlPart> openSheetData() {
        auto part = std::make_unique<XmlPart>(package_->archive, index_, kZipSheetCap, name_, kSpreadsheetMl);
        if (!part->root()) {
            part->fail(QStringLiteral("not a worksheet"));
        }
        while (part->nextChild()) {
            if (isElement(part->reader(), QLatin1String("sheetData"))) {
                return part;
            }
            part->skipElement();
        }
        return nullptr;
    }

    // Reads the <row> whose start was the last token read, giving each cell with a value to `take`. A
    // cell's reference names its row and column; a cell without one follows the one before in the row
    // element's row, as LibreOffice and openpyxl place them.
    template <typename Take>
    void readRow(XmlPart& part, Take take) {
        const QStringView r = attribute(part.reader().attributes(), QLatin1String("r"));
        rowNumber_ = r.isEmpty() ? rowNumber_ + 1 : rowNumber(r.toLatin1());
        if (rowNumber_ < 1) {
            part.fail(QStringLiteral("row number %1").arg(r.toString()));
        }
        int col = 0;
        while (part.nextChild()) {
            if (!isElement(part.reader(), QLatin1String("c"))) {
                part.skipElement();
                continue;
            }
            const QXmlStreamAttributes attributes = part.reader().attributes();
            const QStringView reference = attribute(attributes, QLatin1String("r"));
            const auto [refCol, refRow] = cellReference(reference.toLatin1());
            col = reference.isEmpty() ? col + 1 : refCol;
            if (col < 1 || col > kXlsxMaxColumn) {
                part.fail(QStringLiteral("cell reference %1").arg(reference.toString()));
            }
            RawCell cell;
            cell.row = refRow == 0 ? rowNumber_ : refRow;
            cell.col = col;
            cell.type = cellType(attribute(attributes, QLatin1String("t")));
            cell.style = attribute(attributes, QLatin1String("s")).toInt();
            while (part.nextChild()) {
                const QXmlStreamReader& xml = part.reader();
                if (isElement(xml, QLatin1String("v"))) {
                    BoundedText text(kMaxRawTextLength);
                    part.appendElementText(text);
                    cell.tooLong = text.tooLong();
                    cell.value = text.text();
                    cell.hasValue = true;
                } else if (isElement(xml, QLatin1String("is"))) {
                    BoundedText text = readStringItem(part);
                    cell.tooLong = text.tooLong();
                    cell.value = text.text();
                    cell.hasValue = true;
                } else {
                    cell.formula = cell.formula || isElement(xml, QLatin1String("f"));
                    part.skipElement();  // the formula, extensions
                }
            }
            if (cell.formula && !cell.hasValue) {
                cell.type = CellType::FormulaString;  // no result: its text is empty
            }
            if (cell.formula || (cell.hasValue && (!cell.value.isEmpty() || cell.tooLong))) {
                take(std::move(cell));  // an empty cell, perhaps with a style, is no cell
            }
        }
    }

    // Reads the whole sheet through the XML parser into table_, sorted by row and column, a later cell
    // for a place replacing an earlier one: what a sheet whose rows come out of order or repeated
    // needs. At most kMaxTableCells cells and kMaxRowTextLength characters; a larger sheet is refused.
    static constexpr size_t kMaxTableCells = 256 * 1024;
    void readTable() {
        tableMode_ = true;
        std::unique_ptr<XmlPart> part = openSheetData();
        qsizetype text = 0;
        rowNumber_ = 0;
        while (part && part->nextChild()) {
            if (!isElement(part->reader(), QLatin1String("row"))) {
                part->skipElement();
                continue;
            }
            readRow(*part, [&](RawCell&& cell) {
                text += cell.value.size();
                if (table_.size() >= kMaxTableCells || text > kMaxRowTextLength) {
                    part->fail(QStringLiteral("more cells out of order than are read"));
                }
                table_.push_back(std::move(cell));
            });
        }
        // Then whether the sheet asks to be recalculated, and the ranges of the first <mergeCells>.
        while (part && part->nextChild()) {
            if (isElement(part->reader(), QLatin1String("sheetCalcPr"))) {
                fullCalcOnLoad_ =
                    isTrue(attribute(part->reader().attributes(), QLatin1String("fullCalcOnLoad")));
            }
            if (!isElement(part->reader(), QLatin1String("mergeCells"))) {
                part->skipElement();
                continue;
            }
            while (part->nextChild()) {
                if (isElement(part->reader(), QLatin1String("mergeCell"))) {
                    addMergedRange(merged_,
                                   attribute(part->reader().attributes(), QLatin1String("ref")).toLatin1());
                }
                part->skipElement();
            }
            break;
        }
        if (part) {
            part->finish();
        }
        std::stable_sort(table_.begin(), table_.end(), [](const RawCell& a, const RawCell& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        // Of the cells for one place, the last in the file stays.
        std::vector<RawCell> kept;
        for (size_t i = 0; i < table_.size(); ++i) {
            if (i + 1 == table_.size() || table_[i + 1].row != table_[i].row ||
                table_[i + 1].col != table_[i].col) {
                kept.push_back(std::move(table_[i]));
            }
        }
        table_ = std::move(kept);
    }

    // Puts a cell of the current row in its column; a column met twice keeps its last cell.
    void place(RawCell&& cell) {
        rowText_ += cell.value.size();
        if (rowText_ > kMaxRowTextLength) {
            ThrowBroken(
                QStringLiteral("row %1 holds more than %2 characters").arg(cell.row).arg(kMaxRowTextLength));
        }
        int& slot = slots_[static_cast<size_t>(cell.col)];
        if (slot != 0) {
            cells_[static_cast<size_t>(slot - 1)] = std::move(cell);
        } else {
            cells_.push_back(std::move(cell));
            slot = static_cast<int>(cells_.size());
        }
    }

    void clearCells() {
        for (const RawCell& cell : cells_) {
            slots_[static_cast<size_t>(cell.col)] = 0;
        }
        cells_.clear();
        rowText_ = 0;
    }

    std::shared_ptr<Package> package_;
    qint64 index_;
    QString name_;
    SheetScan scan_;
    bool tableMode_ = false;
    std::vector<RawCell> table_;  // in table mode: every cell, by row and column
    size_t tableAt_ = 0;
    std::unique_ptr<XmlPart> part_;  // positioned in <sheetData>, or null past it
    std::vector<RawCell> cells_;     // the current row's cells with a value
    std::vector<int> slots_ =
        std::vector<int>(kXlsxMaxColumn + 1, 0);  // by column: 1 + index in cells_, or 0
    int rowNumber_ = 0;
    qsizetype rowText_ = 0;
    bool fullCalcOnLoad_ = false;  // the sheet asks to be recalculated when opened
};

struct SheetEntry {
    QString name;
    QString part;  // empty when the relationship is missing
    bool worksheet = true;
};

class XlsxWorkbook final : public Workbook {
public:
    XlsxWorkbook(std::shared_ptr<Package> package, std::vector<SheetEntry> sheets)
        : package_(std::move(package)), sheets_(std::move(sheets)) {
        for (const SheetEntry& sheet : sheets_) {
            if (sheet.worksheet) {
                names_.append(sheet.name);
            }
        }
    }

    std::unique_ptr<Worksheet> worksheet(const QString& name) override {
        if (names_.isEmpty()) {
            throw AutomationError(kErrorNoWorksheets, QStringLiteral("the workbook has no worksheets"));
        }
        for (const SheetEntry& sheet : sheets_) {
            if (!sheet.worksheet || sheet.name.compare(name, Qt::CaseInsensitive) != 0) {
                continue;
            }
            const qint64 index = sheet.part.isEmpty() ? -1 : package_->archive->find(sheet.part);
            if (index < 0) {
                ThrowBroken(QStringLiteral("worksheet %1 has no part").arg(sheet.name));
            }
            return std::make_unique<XlsxWorksheet>(package_, index, sheet.part);
        }
        throw AutomationError(kErrorNoSuchSheet, QStringLiteral("no worksheet named %1").arg(name));
    }

    QStringList sheetNames() const override { return names_; }

private:
    std::shared_ptr<Package> package_;
    std::vector<SheetEntry> sheets_;
    QStringList names_;
};

[[noreturn]] void notSpreadsheet(const QString& detail) {
    throw AutomationError(kErrorNoWorksheets, detail);
}

// The part name of the package's main document.
QString mainDocumentPart(const std::shared_ptr<const ZipArchive>& archive) {
    const QHash<QString, Relationship> relationships = readRelationships(archive, QString());
    for (const Relationship& r : relationships) {
        if (typeIs(r.type, QLatin1String("officeDocument"))) {
            return r.target;
        }
    }
    return archive->contains(QStringLiteral("xl/workbook.xml")) ? QStringLiteral("xl/workbook.xml")
                                                                : QString();
}

}  // namespace

bool IsOfficeOpenXmlPackage(const ZipArchive& archive) {
    return archive.contains(QStringLiteral("[Content_Types].xml")) ||
           archive.contains(QStringLiteral("_rels/.rels")) ||
           archive.contains(QStringLiteral("xl/workbook.xml"));
}

std::unique_ptr<Workbook> OpenXlsxWorkbook(std::shared_ptr<const ZipArchive> archive) {
    const QString workbookPart = mainDocumentPart(archive);
    if (workbookPart.isEmpty()) {
        notSpreadsheet(QStringLiteral("the package has no main document"));
    }
    const qint64 workbookIndex = archive->find(workbookPart);
    if (workbookIndex < 0) {
        ThrowBroken(QStringLiteral("main document %1 missing").arg(workbookPart));
    }
    if (workbookPart.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        ThrowBroken(QStringLiteral("binary workbook %1").arg(workbookPart));
    }

    auto package = std::make_shared<Package>();
    package->archive = archive;
    std::vector<SheetEntry> sheets;
    QStringList relationshipIds;
    {
        XmlPart part(archive, workbookIndex, kZipPartCap, workbookPart, kSpreadsheetMl);
        if (!part.root() || !isElement(part.reader(), QLatin1String("workbook"))) {
            notSpreadsheet(QStringLiteral("the main document is not a workbook"));
        }
        while (part.nextChild()) {
            const QXmlStreamReader& xml = part.reader();
            if (isElement(xml, QLatin1String("workbookPr"))) {
                package->date1904 = isTrue(attribute(xml.attributes(), QLatin1String("date1904")));
                part.skipElement();
            } else if (isElement(xml, QLatin1String("calcPr"))) {
                package->fullCalcOnLoad =
                    isTrue(attribute(xml.attributes(), QLatin1String("fullCalcOnLoad")));
                part.skipElement();
            } else if (isElement(xml, QLatin1String("sheets"))) {
                while (part.nextChild()) {
                    if (isElement(part.reader(), QLatin1String("sheet"))) {
                        sheets.push_back(
                            {attribute(part.reader().attributes(), QLatin1String("name")).toString(),
                             {},
                             true});
                        relationshipIds.append(relationshipId(part.reader().attributes()));
                    }
                    part.skipElement();
                }
            } else {
                part.skipElement();
            }
        }
        part.finish();
    }

    const QHash<QString, Relationship> relationships = readRelationships(archive, workbookPart);
    for (size_t i = 0; i < sheets.size(); ++i) {
        const auto found = relationships.constFind(relationshipIds[static_cast<qsizetype>(i)]);
        if (found != relationships.cend()) {
            sheets[i].part = found->target;
            // Chart sheets, dialog sheets and macro sheets are sheets but not worksheets.
            sheets[i].worksheet = typeIs(found->type, QLatin1String("worksheet"));
        }
    }
    for (const Relationship& r : relationships) {
        if (typeIs(r.type, QLatin1String("sharedStrings")) && package->sharedStringsIndex < 0) {
            package->sharedStringsIndex = archive->find(r.target);
            package->sharedStringsName = r.target;
        } else if (typeIs(r.type, QLatin1String("styles")) && package->stylesIndex < 0) {
            package->stylesIndex = archive->find(r.target);
            package->stylesName = r.target;
        }
    }
    // Writers that forget a relationship still put the part where Excel does.
    const QString directory = partDirectory(workbookPart);
    if (package->sharedStringsIndex < 0) {
        package->sharedStringsName = directory + QStringLiteral("sharedStrings.xml");
        package->sharedStringsIndex = archive->find(package->sharedStringsName);
    }
    if (package->stylesIndex < 0) {
        package->stylesName = directory + QStringLiteral("styles.xml");
        package->stylesIndex = archive->find(package->stylesName);
    }
    return std::make_unique<XlsxWorkbook>(std::move(package), std::move(sheets));
}

}  // namespace velmora
