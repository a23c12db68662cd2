#include "xlsx_reader.h"

#include <QHash>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "cell_text.h"
#include "workbook_reader.h"
#include "xlsx_cell.h"
#include "xlsx_sheet_scan.h"
#include "zip_xml.h"

namespace velmora {

namespace {

using namespace xlsx;

const XmlVocabulary kPackageRelationships{
    {QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships")}, true};
const QString kRelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kStrictRelationshipsNs =
    QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships");
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
            text.append(DecodeEscapes(raw.text()));
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
            text.append(DecodeEscapes(value));
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

class XlsxWorksheet final : public RowBlockWorksheet {
public:
    XlsxWorksheet(std::shared_ptr<Package> package, qint64 index, const QString& name)
        : RowBlockWorksheet(kXlsxMaxRow, kXlsxMaxColumn),
          package_(std::move(package)),
          index_(index),
          name_(name),
          scan_(ScanSheet(*package_->archive, index,
                          [this](const RawCell& cell) { return textOf(cell, *package_); })) {
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
        for (const Candidate& c : scan_.candidates) {
            if (c.row() <= row || std::find(columns.cbegin(), columns.cend(), c.col()) == columns.cend() ||
                merged_.hides(c.row(), c.col())) {
                continue;
            }
            if (!c.shared()) {
                return c.row();
            }
            try {
                if (!IsBlank(package_->sharedString(c.index()))) {
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
        rowNumber_ = r.isEmpty() ? rowNumber_ + 1 : RowNumber(r.toLatin1());
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
            const auto [refCol, refRow] = CellReference(reference.toLatin1());
            col = reference.isEmpty() ? col + 1 : refCol;
            if (col < 1 || col > kXlsxMaxColumn) {
                part.fail(QStringLiteral("cell reference %1").arg(reference.toString()));
            }
            RawCell cell;
            cell.row = refRow == 0 ? rowNumber_ : refRow;
            cell.col = col;
            cell.type = CellTypeOf(attribute(attributes, QLatin1String("t")));
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
                    IsTrue(attribute(part->reader().attributes(), QLatin1String("fullCalcOnLoad")));
            }
            if (!isElement(part->reader(), QLatin1String("mergeCells"))) {
                part->skipElement();
                continue;
            }
            while (part->nextChild()) {
                if (isElement(part->reader(), QLatin1String("mergeCell"))) {
                    AddMergedRange(merged_,
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
                package->date1904 = IsTrue(attribute(xml.attributes(), QLatin1String("date1904")));
                part.skipElement();
            } else if (isElement(xml, QLatin1String("calcPr"))) {
                package->fullCalcOnLoad =
                    IsTrue(attribute(xml.attributes(), QLatin1String("fullCalcOnLoad")));
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
