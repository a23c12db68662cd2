#include "ods_reader.h"

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
const QString kDrawNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString kCalcExtNs =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

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
    explicit ParagraphText(QString& text) : text_(text) {}

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
                        if (!ok || count < 0 || count > kMaxCellTextLength) {
                            part.fail(QStringLiteral("space count %1").arg(c.toString()));
                        }
                        literal(QString(static_cast<qsizetype>(count), QLatin1Char(' ')));
                        part.skipElement();
                    } else if (is(xml, kTextNs, QLatin1String("tab"))) {
                        literal(QStringLiteral("\t"));
                        part.skipElement();
                    } else if (is(xml, kTextNs, QLatin1String("line-break"))) {
                        literal(QStringLiteral("\n"));
                        part.skipElement();
                    } else if (is(xml, kOfficeNs, QLatin1String("annotation")) ||
                               is(xml, kTextNs, QLatin1String("note")) ||
                               is(xml, kTextNs, QLatin1String("ruby-text")) ||
                               xml.namespaceUri() == kDrawNs) {
                        part.skipElement();
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
        AppendCellText(text_, collapsed);
    }

    void literal(const QString& s) {
        AppendCellText(text_, s);
        lastWasSpace_ = false;
    }

    QString& text_;
    bool lastWasSpace_ = true;
};

// The text of a cell's paragraphs, one line each; the cell's start was the last token read, and the
// cell is read to its end.
QString paragraphsText(XmlPart& part) {
    QString text;
    bool first = true;
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        if (is(xml, kTextNs, QLatin1String("p")) || is(xml, kTextNs, QLatin1String("h"))) {
            if (!first) {
                AppendCellText(text, QStringLiteral("\n"));
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
QString cellValue(XmlPart& part) {
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
            value = GeneralNumberText(number);
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
        QString text;
        AppendCellText(text, attributes.value(kOfficeNs, QLatin1String("string-value")));
        value = text;
    }
    if (value) {
        part.skipElement();
        return *value;
    }
    return paragraphsText(part);
}

// One run of equal cells in the current row.
struct CellRun {
    int firstCol;
    int lastCol;
    QString text;
};

class OdsWorksheet final : public RowBlockWorksheet {
public:
    using Opener = std::function<std::unique_ptr<XmlPart>()>;

    // `part` is positioned on the table's start; `opener` opens it there again for a fresh start.
    OdsWorksheet(std::unique_ptr<XmlPart> part, Opener opener)
        : RowBlockWorksheet(kOdsMaxRow, kOdsMaxColumn), part_(std::move(part)), opener_(std::move(opener)) {}

protected:
    void rewind() override {
        part_ = opener_();
        depth_ = 0;
        nextRow_ = 1;
        runs_.clear();
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
                        is(xml, kTableNs, QLatin1String("table-rows"))) {
                        ++depth_;  // rows inside a group count as the table's rows
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
        for (const CellRun& run : runs_) {
            if (col >= run.firstCol && col <= run.lastCol) {
                return run.text;
            }
        }
        return {};
    }

private:
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
            const QString text = cellValue(*part_);
            if (!text.isEmpty() && col <= kOdsMaxColumn) {
                rowText += text.size();
                if (rowText > kMaxRowTextLength) {
                    part_->fail(QStringLiteral("a row holds more than %1 characters").arg(kMaxRowTextLength));
                }
                runs_.push_back({static_cast<int>(col),
                                 static_cast<int>(std::min<qint64>(col + columns - 1, kOdsMaxColumn)), text});
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

    std::unique_ptr<XmlPart> part_;  // inside the table, or null past its end
    Opener opener_;
    int depth_ = 0;  // row groups entered
    qint64 nextRow_ = 1;
    std::vector<CellRun> runs_;  // the current block's cells
};

// content.xml positioned on <office:spreadsheet>, whose children are the tables.
std::unique_ptr<XmlPart> openSpreadsheet(const std::shared_ptr<const ZipArchive>& archive,
                                         qint64 contentIndex) {
    auto part = std::make_unique<XmlPart>(archive, contentIndex, kZipSheetCap, QStringLiteral("content.xml"));
    if (part->nextStartElement()) {
        while (part->nextChild()) {
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
        openSpreadsheet(archive_,
                        contentIndex_);  // refuses other kinds of document now, not at the first sheet
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
                return std::make_unique<OdsWorksheet>(std::move(part), opener);
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
