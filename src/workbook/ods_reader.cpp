#include "ods_reader.h"

#include <QHash>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "cell_text.h"
#include "workbook_reader.h"
#include "zip_xml.h"

namespace velmora {

namespace {

constexpr int kOdsMaxRow = 1048576;
constexpr int kOdsMaxColumn = 16384;
// Repeat counts are counted, never expanded; anything beyond this is past every sheet's end anyway.
constexpr qint64 kMaxRepeat = qint64{1} << 40;

const QString kOfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kTextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kCalcExtNs =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");
const QString kStyleNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kNumberNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
// The namespaces read; elements of any other are skipped whole.
const XmlVocabulary kOpenDocument{{kOfficeNs, kTableNs, kTextNs, kStyleNs, kNumberNs}, false};

// Cell style names whose number style pads whole numbers with zeros, and the digits they pad to.
using PaddedStyles = QHash<QString, int>;

bool is(const QXmlStreamReader& xml, const QString& ns, QLatin1StringView localName) {
    return xml.name() == localName && xml.namespaceUri() == ns;
}

qint64 repeatCount(const QXmlStreamAttributes& attributes, QLatin1StringView name) {
    const QStringView text = attributes.value(kTableNs, name);
    if (text.isEmpty()) {
        return 1;
    }
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok ? std::clamp<qint64>(n, 1, kMaxRepeat) : kMaxRepeat;  // too many digits: beyond any sheet
}

// Collects a paragraph's text as OpenDocument defines it: white space in the markup collapses to
// one space and is dropped at the paragraph's start; <text:s text:c="n"/> is n spaces, <text:tab/> a
// tab, <text:line-break/> a line feed; notes, annotations and drawings are not part of the text.
class ParagraphText {
public:
    explicit ParagraphText(BoundedText& text) : text_(text) {}

    void read(XmlPart& part) {
        int depth = 1;
        while (depth > 0) {
            switch (part.next()) {
                case QXmlStreamReader::Characters:
                    characters(part.reader().text());
                    break;
                case QXmlStreamReader::StartElement: {
                    const QXmlStreamReader& xml = part.reader();
                    if (is(xml, kTextNs, QLatin1String("s"))) {
                        const QStringView c = xml.attributes().value(kTextNs, QLatin1String("c"));
                        bool ok = true;
                        const qint64 count = c.isEmpty() ? 1 : c.toLongLong(&ok);
                        if (!ok || count < 0) {
                            part.fail(QStringLiteral("space count %1").arg(c.toString()));
                        }
                        if (count > kMaxCellTextLength) {
                            text_.markTooLong();
                        } else {
                            literal(QString(static_cast<qsizetype>(count), QLatin1Char(' ')));
                        }
                        part.skipElement();
                    } else if (is(xml, kTextNs, QLatin1String("tab"))) {
                        literal(QStringLiteral("\t"));
                        part.skipElement();
                    } else if (is(xml, kTextNs, QLatin1String("line-break"))) {
                        literal(QStringLiteral("\n"));
                        part.skipElement();
                    } else if (xml.namespaceUri() != kTextNs || is(xml, kTextNs, QLatin1String("note")) ||
                               is(xml, kTextNs, QLatin1String("ruby-text"))) {
                        part.skipElement();  // annotations, drawings, notes, other vocabularies
                    } else {
                        ++depth;  // spans, links and the like: their text is the paragraph's
                    }
                    break;
                }
                case QXmlStreamReader::EndElement:
                    --depth;
                    break;
                default:
                    break;
            }
        }
    }

private:
    void characters(QStringView data) {
        QString collapsed;
        for (QChar c : data) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (!lastWasSpace_) {
                    collapsed.append(QLatin1Char(' '));
                    lastWasSpace_ = true;
                }
            } else {
                collapsed.append(c);
                lastWasSpace_ = false;
            }
        }
        text_.append(collapsed);
    }

    void literal(const QString& s) {
        text_.append(s);
        lastWasSpace_ = false;
    }

    BoundedText& text_;
    bool lastWasSpace_ = true;
};

// The text of a cell's paragraphs, one line each; the cell's start was the last token read, and the
// cell is read to its end.
BoundedText paragraphsText(XmlPart& part) {
    BoundedText text;
    bool first = true;
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        if (is(xml, kTextNs, QLatin1String("p")) || is(xml, kTextNs, QLatin1String("h"))) {
            if (!first) {
                text.append(u"\n");
            }
            first = false;
            ParagraphText(text).read(part);
        } else {
            part.skipElement();
        }
    }
    return text;
}

// A cell's value as text; the cell's start was the last token read, and the cell is read to its end.
// `padding` is the digits its style pads a whole number to, or 0.
BoundedText cellValue(XmlPart& part, int padding) {
    const QXmlStreamAttributes attributes = part.reader().attributes();
    const QStringView type = attributes.value(kOfficeNs, QLatin1String("value-type"));
    if (attributes.value(kCalcExtNs, QLatin1String("value-type")) == QLatin1String("error")) {
        return paragraphsText(part);  // "#DIV/0!", "#N/A"...: the error's text is what the cell shows
    }
    std::optional<QString> value;
    if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
        type == QLatin1String("currency")) {
        bool ok = false;
        const double number = attributes.value(kOfficeNs, QLatin1String("value")).toDouble(&ok);
        if (ok) {
            value = FormattedNumberText(
                number, {NumberFormatKind::Number, type == QLatin1String("float") ? padding : 0}, false);
        }
    } else if (type == QLatin1String("date")) {
        value = IsoDateText(attributes.value(kOfficeNs, QLatin1String("date-value")).trimmed());
    } else if (type == QLatin1String("time")) {
        value = IsoDurationText(attributes.value(kOfficeNs, QLatin1String("time-value")).trimmed());
    } else if (type == QLatin1String("boolean")) {
        const QStringView b = attributes.value(kOfficeNs, QLatin1String("boolean-value")).trimmed();
        value = BooleanText(b == QLatin1String("true") || b == QLatin1String("1"));
    } else if (type == QLatin1String("string") &&
               attributes.hasAttribute(kOfficeNs, QLatin1String("string-value"))) {
        BoundedText text;
        text.append(attributes.value(kOfficeNs, QLatin1String("string-value")));
        part.skipElement();
        return text;
    }
    if (value) {
        part.skipElement();
        BoundedText text;
        text.append(*value);
        return text;
    }
    return paragraphsText(part);
}

// Whether a cell's attributes hold a formula (table:formula) but no value of it (office:value,
// office:date-value, office:time-value, office:boolean-value or office:string-value).
bool hasFormulaWithoutValue(const QXmlStreamAttributes& attributes) {
    if (!attributes.hasAttribute(kTableNs, QLatin1String("formula"))) {
        return false;
    }
    for (const char* value : {"value", "date-value", "time-value", "boolean-value", "string-value"}) {
        if (attributes.hasAttribute(kOfficeNs, QLatin1String(value))) {
            return false;
        }
    }
    return true;
}

// One run of equal cells in the current row.
struct CellRun {
    int firstCol;
    int lastCol;
    QString text;
    bool tooLong;
    bool uncomputed;  // a formula without a result
};

class OdsWorksheet final : public RowBlockWorksheet {
public:
    using Opener = std::function<std::unique_ptr<XmlPart>()>;

    // `part` is positioned on the table's start; `opener` opens it there again for a fresh start.
    OdsWorksheet(std::unique_ptr<XmlPart> part, Opener opener, std::shared_ptr<const PaddedStyles> padded)
        : RowBlockWorksheet(kOdsMaxRow, kOdsMaxColumn),
          part_(std::move(part)),
          opener_(std::move(opener)),
          padded_(std::move(padded)) {}

protected:
    void rewind() override {
        part_ = opener_();
        depth_ = 0;
        nextRow_ = 1;
        runs_.clear();
        nextColumn_ = 1;
        columnStyles_.clear();
    }

    bool nextBlock() override {
        while (part_) {
            switch (part_->next()) {
                case QXmlStreamReader::StartElement: {
                    const QXmlStreamReader& xml = part_->reader();
                    if (is(xml, kTableNs, QLatin1String("table-row"))) {
                        return readRow();
                    }
                    if (is(xml, kTableNs, QLatin1String("table-row-group")) ||
                        is(xml, kTableNs, QLatin1String("table-header-rows")) ||
                        is(xml, kTableNs, QLatin1String("table-rows")) ||
                        is(xml, kTableNs, QLatin1String("table-column-group")) ||
                        is(xml, kTableNs, QLatin1String("table-header-columns")) ||
                        is(xml, kTableNs, QLatin1String("table-columns"))) {
                        ++depth_;  // rows inside a group count as the table's rows, columns likewise
                    } else if (is(xml, kTableNs, QLatin1String("table-column"))) {
                        readColumn();
                    } else {
                        part_->skipElement();
                    }
                    break;
                }
                case QXmlStreamReader::EndElement:
                    if (depth_ == 0) {
                        part_.reset();  // the table's end
                        return false;
                    }
                    --depth_;
                    break;
                case QXmlStreamReader::EndDocument:
                    part_->fail(QStringLiteral("unexpected end of document"));
                default:
                    break;
            }
        }
        return false;
    }

    QString blockCellText(int col) override {
        const CellRun* run = runAt(col);
        if (run && run->tooLong) {
            ThrowCellTooLong();
        }
        return run ? run->text : QString();
    }

    bool blockUncomputedFormula(int col) override {
        const CellRun* run = runAt(col);
        return run && run->uncomputed;
    }

private:
    const CellRun* runAt(int col) const {
        for (const CellRun& run : runs_) {
            if (col >= run.firstCol && col <= run.lastCol) {
                return &run;
            }
        }
        return nullptr;
    }

    // A column's default cell style, kept when it pads numbers: the style of the cells in it that
    // name none of their own.
    void readColumn() {
        const QXmlStreamAttributes attributes = part_->reader().attributes();
        const qint64 repeat = repeatCount(attributes, QLatin1String("number-columns-repeated"));
        const int padding =
            padded_->value(attributes.value(kTableNs, QLatin1String("default-cell-style-name")).toString());
        if (padding > 0 && nextColumn_ <= kOdsMaxColumn) {
            columnStyles_.push_back(
                {static_cast<int>(nextColumn_),
                 static_cast<int>(std::min<qint64>(nextColumn_ + repeat - 1, kOdsMaxColumn)), padding});
        }
        nextColumn_ = std::min(nextColumn_ + repeat, kMaxRepeat);
        part_->skipElement();
    }

    int columnPadding(qint64 col) const {
        for (const ColumnStyle& c : columnStyles_) {
            if (col >= c.first && col <= c.last) {
                return c.digits;
            }
        }
        return 0;
    }

    bool readRow() {
        const qint64 repeat =
            repeatCount(part_->reader().attributes(), QLatin1String("number-rows-repeated"));
        const qint64 first = nextRow_;
        nextRow_ = std::min(nextRow_ + repeat, kMaxRepeat);
        runs_.clear();
        qint64 col = 1;
        qsizetype rowText = 0;
        while (part_->nextChild()) {
            const QXmlStreamReader& xml = part_->reader();
            if (!is(xml, kTableNs, QLatin1String("table-cell")) &&
                !is(xml, kTableNs, QLatin1String("covered-table-cell"))) {
                part_->skipElement();
                continue;
            }
            const qint64 columns = repeatCount(xml.attributes(), QLatin1String("number-columns-repeated"));
            if (is(xml, kTableNs, QLatin1String("covered-table-cell"))) {
                // Hidden under a merged cell: empty, as shown, whatever it keeps.
                part_->skipElement();
                col = std::min(col + columns, kMaxRepeat);
                continue;
            }
            const QStringView style = xml.attributes().value(kTableNs, QLatin1String("style-name"));
            const int padding = style.isEmpty() ? columnPadding(col) : padded_->value(style.toString());
            const bool formula = hasFormulaWithoutValue(xml.attributes());
            const BoundedText text = cellValue(*part_, padding);
            // A formula is computed when the cell holds its value, or text that is its result.
            const bool uncomputed = formula && text.text().isEmpty() && !text.tooLong();
            if ((!text.text().isEmpty() || text.tooLong() || uncomputed) && col <= kOdsMaxColumn) {
                rowText += text.text().size();
                if (rowText > kMaxRowTextLength) {
                    part_->fail(QStringLiteral("a row holds more than %1 characters").arg(kMaxRowTextLength));
                }
                runs_.push_back({static_cast<int>(col),
                                 static_cast<int>(std::min<qint64>(col + columns - 1, kOdsMaxColumn)),
                                 text.text(), text.tooLong(), uncomputed});
            }
            col = std::min(col + columns, kMaxRepeat);
        }
        if (first > kOdsMaxRow) {
            part_.reset();  // rows past the sheet's last: nothing more to read
            return false;
        }
        first_ = static_cast<int>(first);
        last_ = static_cast<int>(std::min<qint64>(first + repeat - 1, kOdsMaxRow));
        return true;
    }

    struct ColumnStyle {
        int first;
        int last;
        int digits;
    };

    std::unique_ptr<XmlPart> part_;  // inside the table, or null past its end
    Opener opener_;
    std::shared_ptr<const PaddedStyles> padded_;
    int depth_ = 0;  // row and column groups entered
    qint64 nextRow_ = 1;
    qint64 nextColumn_ = 1;
    std::vector<ColumnStyle> columnStyles_;  // columns whose default style pads
    std::vector<CellRun> runs_;              // the current block's cells
};

// The number styles and cell styles read so far, from styles.xml and content.xml.
struct StyleMaps {
    QHash<QString, int> paddingStyles;   // number styles that pad, and their digits
    QHash<QString, QString> cellStyles;  // cell style, its number style

    PaddedStyles padded() const {
        PaddedStyles padded;
        for (auto style = cellStyles.cbegin(); style != cellStyles.cend(); ++style) {
            if (paddingStyles.contains(style.value())) {
                padded.insert(style.key(), paddingStyles.value(style.value()));
            }
        }
        return padded;
    }
};

// Reads a styles container (<office:styles>, <office:automatic-styles>), whose start was the last token
// read: the cell styles with a number style, and the number styles that are a plain number of at least
// two integer digits with no decimals, grouping, or text around it (as LibreOffice writes a "000000"
// format) with those digits. Such a style's conditional maps are ignored: its own format decides, as
// the first section of an Excel format does.
void readStyles(XmlPart& part, StyleMaps& maps) {
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        const QString name = xml.attributes().value(kStyleNs, QLatin1String("name")).toString();
        if (is(xml, kStyleNs, QLatin1String("style"))) {
            const QStringView data = xml.attributes().value(kStyleNs, QLatin1String("data-style-name"));
            if (!data.isEmpty() && maps.cellStyles.size() < 65536) {
                maps.cellStyles.insert(name, data.toString());
            }
            part.skipElement();
            continue;
        }
        if (!is(xml, kNumberNs, QLatin1String("number-style"))) {
            part.skipElement();
            continue;
        }
        int digits = 0;
        int parts = 0;
        while (part.nextChild()) {
            const QXmlStreamReader& child = part.reader();
            const QXmlStreamAttributes a = child.attributes();
            if (is(child, kNumberNs, QLatin1String("number")) &&
                a.value(kNumberNs, QLatin1String("decimal-places")).toInt() == 0 &&
                a.value(kNumberNs, QLatin1String("grouping")) != QLatin1String("true")) {
                digits = a.value(kNumberNs, QLatin1String("min-integer-digits")).toInt();
            }
            parts += child.namespaceUri() == kNumberNs ? 1 : 0;  // style:map and text properties aside
            part.skipElement();
        }
        if (parts == 1 && digits >= 2 && digits <= 30 && maps.paddingStyles.size() < 65536) {
            maps.paddingStyles.insert(name, digits);
        }
    }
}

// content.xml positioned on <office:spreadsheet>, whose children are the tables; its automatic styles
// read into `styles` when it is not null. Reading stops in the sheet the import reads, so the part's
// CRC-32 is checked only when a read goes on to its end.
std::unique_ptr<XmlPart> openSpreadsheet(const std::shared_ptr<const ZipArchive>& archive,
                                         qint64 contentIndex, StyleMaps* styles = nullptr) {
    auto part = std::make_unique<XmlPart>(archive, contentIndex, kZipSheetCap, QStringLiteral("content.xml"),
                                          kOpenDocument);
    if (part->root()) {
        while (part->nextChild()) {
            if (styles && is(part->reader(), kOfficeNs, QLatin1String("automatic-styles"))) {
                readStyles(*part, *styles);
                continue;
            }
            if (!is(part->reader(), kOfficeNs, QLatin1String("body"))) {
                part->skipElement();
                continue;
            }
            while (part->nextChild()) {
                if (is(part->reader(), kOfficeNs, QLatin1String("spreadsheet"))) {
                    return part;
                }
                part->skipElement();
            }
            break;
        }
    }
    throw AutomationError(kErrorNoWorksheets, QStringLiteral("the document is not a spreadsheet"));
}

// content.xml positioned on the start of the table with that ordinal.
std::unique_ptr<XmlPart> openTable(const std::shared_ptr<const ZipArchive>& archive, qint64 contentIndex,
                                   int ordinal) {
    std::unique_ptr<XmlPart> part = openSpreadsheet(archive, contentIndex);
    int n = 0;
    while (part->nextChild()) {
        if (is(part->reader(), kTableNs, QLatin1String("table")) && n++ == ordinal) {
            return part;
        }
        part->skipElement();
    }
    part->fail(QStringLiteral("sheet %1 vanished").arg(ordinal));
}

class OdsWorkbook final : public Workbook {
public:
    OdsWorkbook(std::shared_ptr<const ZipArchive> archive, qint64 contentIndex)
        : archive_(std::move(archive)), contentIndex_(contentIndex) {
        // LibreOffice keeps the number styles in styles.xml and the cell styles naming them in content.xml.
        StyleMaps styles;
        const qint64 stylesIndex = archive_->find(QStringLiteral("styles.xml"));
        if (stylesIndex >= 0) {
            XmlPart part(archive_, stylesIndex, kZipPartCap, QStringLiteral("styles.xml"), kOpenDocument);
            if (part.root()) {
                while (part.nextChild()) {
                    if (is(part.reader(), kOfficeNs, QLatin1String("styles")) ||
                        is(part.reader(), kOfficeNs, QLatin1String("automatic-styles"))) {
                        readStyles(part, styles);
                    } else {
                        part.skipElement();
                    }
                }
                part.finish();
            }
        }
        // Refuses other kinds of document now, not at the first sheet.
        openSpreadsheet(archive_, contentIndex_, &styles);
        padded_ = std::make_shared<const PaddedStyles>(styles.padded());
    }

    std::unique_ptr<Worksheet> worksheet(const QString& name) override {
        std::unique_ptr<XmlPart> part = openSpreadsheet(archive_, contentIndex_);
        int ordinal = 0;
        while (part->nextChild()) {
            if (!is(part->reader(), kTableNs, QLatin1String("table"))) {
                part->skipElement();
                continue;
            }
            const QString tableName =
                part->reader().attributes().value(kTableNs, QLatin1String("name")).toString();
            if (tableName.compare(name, Qt::CaseInsensitive) == 0) {
                auto opener = [archive = archive_, index = contentIndex_, ordinal]() {
                    return openTable(archive, index, ordinal);
                };
                return std::make_unique<OdsWorksheet>(std::move(part), opener, padded_);
            }
            part->skipElement();
            ++ordinal;
        }
        if (ordinal == 0) {
            throw AutomationError(kErrorNoWorksheets, QStringLiteral("the spreadsheet has no sheets"));
        }
        throw AutomationError(kErrorNoSuchSheet, QStringLiteral("no worksheet named %1").arg(name));
    }

    QStringList sheetNames() const override {
        QStringList names;
        std::unique_ptr<XmlPart> part = openSpreadsheet(archive_, contentIndex_);
        while (part->nextChild()) {
            if (is(part->reader(), kTableNs, QLatin1String("table"))) {
                names.append(part->reader().attributes().value(kTableNs, QLatin1String("name")).toString());
            }
            part->skipElement();
        }
        return names;
    }

private:
    std::shared_ptr<const ZipArchive> archive_;
    qint64 contentIndex_;
    std::shared_ptr<const PaddedStyles> padded_;
};

}  // namespace

bool IsOpenDocumentPackage(const ZipArchive& archive) {
    return archive.contains(QStringLiteral("mimetype")) || archive.contains(QStringLiteral("content.xml"));
}

std::unique_ptr<Workbook> OpenOdsWorkbook(std::shared_ptr<const ZipArchive> archive) {
    const qint64 mimetype = archive->find(QStringLiteral("mimetype"));
    if (mimetype >= 0) {
        const QByteArray type = archive->read(mimetype, 4096).trimmed();
        if (!type.startsWith("application/vnd.oasis.opendocument.spreadsheet")) {
            throw AutomationError(kErrorNoWorksheets,
                                  QStringLiteral("a document of type %1").arg(QString::fromUtf8(type)));
        }
    }
    const qint64 content = archive->find(QStringLiteral("content.xml"));
    if (content < 0) {
        throw AutomationError(kErrorNoWorksheets, QStringLiteral("an OpenDocument package without content"));
    }
    return std::make_unique<OdsWorkbook>(std::move(archive), content);
}

}  // namespace velmora
