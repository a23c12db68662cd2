#include "xlsx_reader.h"

#include <QHash>
#include <QUrl>
#include <optional>
#include <vector>

#include "cell_text.h"
#include "workbook_reader.h"
#include "zip_xml.h"

namespace velmora {

namespace {

constexpr int kXlsxMaxRow = 1048576;
constexpr int kXlsxMaxColumn = 16384;
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

// An attribute by its local name, whatever its namespace.
QStringView attribute(const QXmlStreamAttributes& attributes, QLatin1StringView localName) {
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == localName) {
            return a.value();
        }
    }
    return {};
}

// The relationship id of a <sheet>: the "id" attribute in the relationships namespace (transitional or
// strict), which is the one with a namespace.
QString relationshipId(const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty()) {
            return a.value().toString();
        }
    }
    return {};
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
    XmlPart part(archive, index, kZipPartCap, relsName);
    while (part.nextStartElement()) {
        const QXmlStreamReader& xml = part.reader();
        if (!isElement(xml, QLatin1String("Relationship")) ||
            attribute(xml.attributes(), QLatin1String("TargetMode")) == QLatin1String("External")) {
            continue;
        }
        const QString id = attribute(xml.attributes(), QLatin1String("Id")).toString();
        if (!result.contains(id)) {
            result.insert(
                id,
                {attribute(xml.attributes(), QLatin1String("Type")).toString(),
                 resolveTarget(directory, attribute(xml.attributes(), QLatin1String("Target")).toString())});
        }
    }
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
QString readStringItem(XmlPart& part) {
    QString text;
    while (part.nextChild()) {
        const QXmlStreamReader& xml = part.reader();
        if (isElement(xml, QLatin1String("t"))) {
            QString raw;
            part.appendElementText(raw, kMaxRawTextLength);
            AppendCellText(text, decodeEscapes(raw));
        } else if (isElement(xml, QLatin1String("r"))) {
            while (part.nextChild()) {
                if (isElement(part.reader(), QLatin1String("t"))) {
                    QString raw;
                    part.appendElementText(raw, kMaxRawTextLength);
                    AppendCellText(text, decodeEscapes(raw));
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

// The shared strings, parsed forward only as far as the cells read so far have needed.
class SharedStrings {
public:
    SharedStrings(std::shared_ptr<const ZipArchive> archive, qint64 index, const QString& name)
        : part_(std::make_unique<XmlPart>(std::move(archive), index, kZipSheetCap, name)) {
        if (!part_->nextStartElement()) {
            part_.reset();
        }
    }

    const QString& at(qint64 index) {
        while (index >= static_cast<qint64>(items_.size()) && part_) {
            if (!part_->nextChild()) {
                part_.reset();  // every string read; the stream is no longer needed
            } else if (isElement(part_->reader(), QLatin1String("si"))) {
                items_.push_back(readStringItem(*part_));
            } else {
                part_->skipElement();
            }
        }
        if (index < 0 || index >= static_cast<qint64>(items_.size())) {
            ThrowBroken(QStringLiteral("shared string %1 missing").arg(index));
        }
        return items_[static_cast<size_t>(index)];
    }

private:
    std::unique_ptr<XmlPart> part_;
    std::vector<QString> items_;
};

// What the workbook and its worksheets share.
struct Package {
    std::shared_ptr<const ZipArchive> archive;
    bool date1904 = false;
    qint64 sharedStringsIndex = -1;
    QString sharedStringsName;
    qint64 stylesIndex = -1;
    QString stylesName;
    std::unique_ptr<SharedStrings> sharedStrings;
    std::optional<std::vector<NumberFormatKind>> styleKinds;  // by cell style index

    const QString& sharedString(qint64 index) {
        if (!sharedStrings) {
            if (sharedStringsIndex < 0) {
                ThrowBroken(
                    QStringLiteral("shared string %1 of a workbook without shared strings").arg(index));
            }
            sharedStrings = std::make_unique<SharedStrings>(archive, sharedStringsIndex, sharedStringsName);
        }
        return sharedStrings->at(index);
    }

    NumberFormatKind styleKind(int style) {
        if (!styleKinds) {
            styleKinds = readStyleKinds();
        }
        return style >= 0 && style < static_cast<int>(styleKinds->size())
                   ? (*styleKinds)[static_cast<size_t>(style)]
                   : NumberFormatKind::Number;
    }

    // What each cell style shows a number as, from its number format.
    std::vector<NumberFormatKind> readStyleKinds() const {
        std::vector<NumberFormatKind> kinds;
        if (stylesIndex < 0) {
            return kinds;
        }
        XmlPart part(archive, stylesIndex, kZipPartCap, stylesName);
        QHash<int, NumberFormatKind> custom;
        if (!part.nextStartElement()) {
            return kinds;
        }
        while (part.nextChild()) {
            const QXmlStreamReader& xml = part.reader();
            if (isElement(xml, QLatin1String("numFmts"))) {
                while (part.nextChild()) {
                    const QXmlStreamAttributes a = part.reader().attributes();
                    custom.insert(attribute(a, QLatin1String("numFmtId")).toInt(),
                                  NumberFormatCodeKind(attribute(a, QLatin1String("formatCode"))));
                    part.skipElement();
                }
            } else if (isElement(xml, QLatin1String("cellXfs"))) {
                while (part.nextChild()) {
                    const int id = attribute(part.reader().attributes(), QLatin1String("numFmtId")).toInt();
                    kinds.push_back(custom.contains(id) ? custom.value(id) : BuiltinNumberFormatKind(id));
                    part.skipElement();
                }
            } else {
                part.skipElement();
            }
        }
        return kinds;
    }
};

// One cell of the current row as the sheet stores it; converted to text only when read.
struct RawCell {
    int col = 0;
    QString type;
    int style = 0;
    QString value;  // <v>, or an inline string's text
};

// The column number of a cell reference ("AB12" gives 28), 0 when it is not one.
int referenceColumn(QStringView reference) {
    int col = 0;
    qsizetype i = 0;
    for (; i < reference.size() && i < 3; ++i) {
        const char16_t c = reference[i].unicode();
        if (c >= u'A' && c <= u'Z') {
            col = col * 26 + (c - u'A' + 1);
        } else if (c >= u'a' && c <= u'z') {
            col = col * 26 + (c - u'a' + 1);
        } else {
            break;
        }
    }
    if (i == 0 || (i < reference.size() && !reference[i].isDigit())) {
        return 0;
    }
    return col;
}

class XlsxWorksheet final : public RowBlockWorksheet {
public:
    XlsxWorksheet(std::shared_ptr<Package> package, qint64 index, const QString& name)
        : RowBlockWorksheet(kXlsxMaxRow, kXlsxMaxColumn),
          package_(std::move(package)),
          index_(index),
          name_(name) {
        rewind();
    }

protected:
    void rewind() override {
        part_.reset();
        clearCells();
        rowNumber_ = 0;
        auto part = std::make_unique<XmlPart>(package_->archive, index_, kZipSheetCap, name_);
        while (part->nextStartElement()) {
            if (isElement(part->reader(), QLatin1String("sheetData"))) {
                part_ = std::move(part);
                return;
            }
        }
        // No sheet data: an empty sheet.
    }

    bool nextBlock() override {
        while (part_) {
            if (!part_->nextChild()) {
                part_.reset();  // past the sheet data; nothing after it holds cells
                return false;
            }
            if (isElement(part_->reader(), QLatin1String("row"))) {
                readRow();
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
        return slot == 0 ? QString() : textOf(cells_[static_cast<size_t>(slot - 1)]);
    }

private:
    void readRow() {
        const QStringView r = attribute(part_->reader().attributes(), QLatin1String("r"));
        if (r.isEmpty()) {
            ++rowNumber_;
        } else {
            bool ok = false;
            rowNumber_ = r.toInt(&ok);
            if (!ok || rowNumber_ < 1 || rowNumber_ > kXlsxMaxRow) {
                part_->fail(QStringLiteral("row number %1").arg(r.toString()));
            }
        }
        clearCells();
        int col = 0;
        qsizetype rowText = 0;
        while (part_->nextChild()) {
            if (!isElement(part_->reader(), QLatin1String("c"))) {
                part_->skipElement();
                continue;
            }
            const QXmlStreamAttributes attributes = part_->reader().attributes();
            const QStringView reference = attribute(attributes, QLatin1String("r"));
            col = reference.isEmpty() ? col + 1 : referenceColumn(reference);
            if (col < 1 || col > kXlsxMaxColumn) {
                part_->fail(QStringLiteral("cell reference %1").arg(reference.toString()));
            }
            RawCell cell;
            cell.col = col;
            cell.type = attribute(attributes, QLatin1String("t")).toString();
            cell.style = attribute(attributes, QLatin1String("s")).toInt();
            while (part_->nextChild()) {
                const QXmlStreamReader& xml = part_->reader();
                if (isElement(xml, QLatin1String("v"))) {
                    cell.value.clear();
                    part_->appendElementText(cell.value, kMaxRawTextLength);
                } else if (isElement(xml, QLatin1String("is"))) {
                    cell.value = readStringItem(*part_);
                } else {
                    part_->skipElement();  // the formula, extensions
                }
            }
            if (cell.value.isEmpty()) {
                continue;  // an empty cell, perhaps with a style
            }
            rowText += cell.value.size();
            if (rowText > kMaxRowTextLength) {
                part_->fail(QStringLiteral("row %1 holds more than %2 characters")
                                .arg(rowNumber_)
                                .arg(kMaxRowTextLength));
            }
            // A column met twice keeps its last cell, so a row never holds more cells than columns.
            int& slot = slots_[static_cast<size_t>(col)];
            if (slot != 0) {
                cells_[static_cast<size_t>(slot - 1)] = std::move(cell);
            } else {
                cells_.push_back(std::move(cell));
                slot = static_cast<int>(cells_.size());
            }
        }
    }

    void clearCells() {
        for (const RawCell& cell : cells_) {
            slots_[static_cast<size_t>(cell.col)] = 0;
        }
        cells_.clear();
    }

    QString textOf(const RawCell& cell) {
        const QString& type = cell.type;
        if (type == QLatin1String("s")) {
            bool ok = false;
            const qint64 index = cell.value.trimmed().toLongLong(&ok);
            if (!ok) {
                ThrowBroken(QStringLiteral("shared string index %1").arg(cell.value));
            }
            return package_->sharedString(index);
        }
        if (type == QLatin1String("inlineStr")) {
            return cell.value;
        }
        if (type == QLatin1String("str")) {
            QString text = decodeEscapes(cell.value);
            if (text.size() > kMaxCellTextLength) {
                ThrowBroken(QStringLiteral("cell text longer than %1 characters").arg(kMaxCellTextLength));
            }
            return text;
        }
        if (type == QLatin1String("e")) {
            return cell.value.trimmed();
        }
        if (type == QLatin1String("b")) {
            const QString v = cell.value.trimmed();
            return v.isEmpty() ? QString()
                               : BooleanText(v == QLatin1String("1") || v == QLatin1String("true"));
        }
        if (type == QLatin1String("d")) {
            return IsoDateText(cell.value.trimmed());
        }
        // A number ("n" or no type).
        if (cell.value.isEmpty()) {
            return {};
        }
        bool ok = false;
        const double number = cell.value.toDouble(&ok);
        if (!ok) {
            return cell.value.left(kMaxCellTextLength);  // not a number after all: the text as it stands
        }
        if (cell.style > 0) {
            return SerialDateText(number, package_->styleKind(cell.style), package_->date1904);
        }
        return GeneralNumberText(number);
    }

    std::shared_ptr<Package> package_;
    qint64 index_;
    QString name_;
    std::unique_ptr<XmlPart> part_;  // positioned in <sheetData>, or null past it
    std::vector<RawCell> cells_;     // the current row's cells with a value
    std::vector<int> slots_ =
        std::vector<int>(kXlsxMaxColumn + 1, 0);  // by column: 1 + index in cells_, or 0
    int rowNumber_ = 0;
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
        XmlPart part(archive, workbookIndex, kZipPartCap, workbookPart);
        if (!part.nextStartElement() || !isElement(part.reader(), QLatin1String("workbook"))) {
            notSpreadsheet(QStringLiteral("the main document is not a workbook"));
        }
        while (part.nextChild()) {
            const QXmlStreamReader& xml = part.reader();
            if (isElement(xml, QLatin1String("workbookPr"))) {
                const QStringView v = attribute(xml.attributes(), QLatin1String("date1904"));
                package->date1904 = v == QLatin1String("1") || v == QLatin1String("true");
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
