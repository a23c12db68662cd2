#include "xls_reader.h"

#include <QHash>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "cell_text.h"
#include "cfb_reader.h"
#include "code_page.h"
#include "workbook_reader.h"

namespace velmora {

namespace {

constexpr int kXlsMaxRow = 65536;
constexpr int kXlsMaxColumn = 256;
constexpr int kMaxRecordLength = 8224;  // the longest record body BIFF8 allows

// Record types.
enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kUncalced = 0x005E,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kRecalcId = 0x01C1,
    kXf = 0x00E0,
    kMergedCells = 0x00E5,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kArray = 0x0221,
    kTable = 0x0236,
    kRk = 0x027E,
    kFormat = 0x041E,
    kSharedFormula = 0x04BC,
    kBof = 0x0809,
};

bool isCellRecord(quint16 type) {
    switch (type) {
        case kFormula:
        case kMulRk:
        case kRString:
        case kLabelSst:
        case kNumber:
        case kLabel:
        case kBoolErr:
        case kRk:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void broken(const QString& why) {
    ThrowBroken(QStringLiteral("xls: %1").arg(why));
}

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

double f64(const char* p) {
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An RK number: a 30-bit integer or the high 30 bits of a double, optionally divided by 100.
double rkValue(quint32 rk) {
    double value;
    if ((rk & 2) != 0) {
        value = static_cast<double>(static_cast<qint32>(rk) >> 2);
    } else {
        const quint64 bits = quint64{rk & 0xFFFFFFFCu} << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) != 0 ? value / 100 : value;
}

struct Record {
    quint16 type = 0;
    quint16 length = 0;
    qint64 offset = 0;  // of the header; the body follows 4 bytes later
    qint64 next() const { return offset + 4 + length; }
};

// The record at `offset`: false at the stream's end; a record cut short or too long is broken.
bool recordAt(const CfbStream& stream, qint64 offset, Record& record) {
    char header[4];
    if (offset + 4 > stream.size() || !stream.read(offset, header, 4)) {
        return false;
    }
    record.type = u16(header);
    record.length = u16(header + 2);
    record.offset = offset;
    if (record.length > kMaxRecordLength || record.next() > stream.size()) {
        broken(QStringLiteral("record 0x%1 of %2 bytes at %3")
                   .arg(record.type, 4, 16, QLatin1Char('0'))
                   .arg(record.length)
                   .arg(offset));
    }
    return true;
}

QByteArray recordBody(const CfbStream& stream, const Record& record) {
    QByteArray body(record.length, Qt::Uninitialized);
    if (!stream.read(record.offset + 4, body.data(), record.length)) {
        broken(QStringLiteral("record at %1 past the end of the file").arg(record.offset));
    }
    return body;
}

// The code page of a BIFF5 workbook's byte strings.
class CodePage {
public:
    explicit CodePage(int number) : number_(number) {}

    QString decode(const char* data, qsizetype size) {
        if (number_ == 1200) {
            return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless)
                .decode(QByteArrayView(data, size));
        }
        if (std::optional<QString> text = DecodeCodePage(number_, QByteArrayView(data, size))) {
            return *text;
        }
        broken(QStringLiteral("code page %1 unsupported").arg(number_));
    }

private:
    int number_;
};

// Reads the body of a record and of the CONTINUE records after it as one run of bytes, except that
// a string's characters split across records restart with a byte saying whether they are one or two
// bytes wide.
class ContinuedReader {
public:
    ContinuedReader(const CfbStream& stream, const Record& record, qint64 skip) : stream_(stream) {
        load(record);
        if (skip > body_.size()) {
            broken(QStringLiteral("record at %1 too short").arg(record.offset));
        }
        pos_ = skip;
    }

    quint8 byte() {
        ensure();
        return static_cast<quint8>(body_[pos_++]);
    }
    quint16 word() {
        const quint16 low = byte();
        return static_cast<quint16>(low | (byte() << 8));
    }
    quint32 dword() {
        const quint32 low = word();
        return low | (quint32{word()} << 16);
    }

    void skip(qint64 n) {
        while (n > 0) {
            ensure();
            const qint64 step = std::min<qint64>(n, body_.size() - pos_);
            pos_ += step;
            n -= step;
        }
    }

    // `count` characters, one byte each (the low bytes of UTF-16) or two; passed over unless `keep`.
    QString characters(qint64 count, bool twoBytes, bool keep = true) {
        QString text;
        if (keep) {
            text.reserve(count);
        }
        while (count > 0) {
            if (pos_ >= body_.size()) {
                nextRecord();
                twoBytes = (byte() & 1) != 0;
            }
            const qint64 width = twoBytes ? 2 : 1;
            const qint64 n = std::min(count, (body_.size() - pos_) / width);
            if (n == 0) {
                broken(QStringLiteral("character split inside a record"));
            }
            const char* p = body_.constData() + pos_;
            for (qint64 i = 0; keep && i < n; ++i) {
                text.append(QChar(twoBytes ? u16(p + 2 * i) : char16_t{static_cast<unsigned char>(p[i])}));
            }
            pos_ += n * width;
            count -= n;
        }
        return text;
    }

    // An XLUnicodeRichExtendedString: the text, with rich-text runs and phonetic data skipped; a
    // string longer than a cell can hold is passed over and marked.
    BoundedText richString() {
        const quint16 count = word();
        const quint8 flags = byte();
        const quint16 runs = (flags & 0x08) != 0 ? word() : 0;
        const quint32 extended = (flags & 0x04) != 0 ? dword() : 0;
        BoundedText text;
        if (count > kMaxCellTextLength) {
            characters(count, (flags & 1) != 0, false);
            text.markTooLong();
        } else {
            text.append(characters(count, (flags & 1) != 0));
        }
        skip(qint64{runs} * 4);
        skip(extended);
        return text;
    }

    // An XLUnicodeString (LABEL, STRING and FORMAT records of BIFF8); throws AutomationError 14 for
    // one longer than a cell can hold.
    QString unicodeString() {
        const quint16 count = word();
        const quint8 flags = byte();
        if (count > kMaxCellTextLength) {
            ThrowCellTooLong();
        }
        return characters(count, (flags & 1) != 0);
    }

private:
    void load(const Record& record) {
        body_ = recordBody(stream_, record);
        next_ = record.next();
        pos_ = 0;
    }

    void nextRecord() {
        Record record;
        if (!recordAt(stream_, next_, record) || record.type != kContinue) {
            broken(QStringLiteral("data runs past its record at %1").arg(next_));
        }
        load(record);
    }

    void ensure() {
        while (pos_ >= body_.size()) {
            nextRecord();
        }
    }

    const CfbStream& stream_;
    QByteArray body_;
    qint64 pos_ = 0;
    qint64 next_ = 0;
};

struct SheetEntry {
    QString name;
    qint64 offset = 0;  // of the sheet's BOF record
};

// What the workbook and its worksheets share.
struct Book {
    std::shared_ptr<const QByteArray> file;
    CfbStream stream;
    bool biff8 = true;
    bool date1904 = false;
    bool recalcOnLoad = false;         // RECALCID names engine 0: recalculate every formula when opened
    std::optional<CodePage> codePage;  // BIFF5 byte strings
    std::vector<NumberFormat> xfFormats;
    std::vector<SheetEntry> sheets;
    std::optional<Record> sst;

    // The shared strings, read as far as asked.
    std::unique_ptr<ContinuedReader> sstReader;
    quint32 sstCount = 0;
    SharedStringTable sstItems;

    QString bytes(const char* data, qsizetype size) {
        if (!codePage) {
            codePage.emplace(1252);
        }
        return codePage->decode(data, size);
    }

    QString sharedString(quint32 index) {
        if (!sstReader) {
            if (!sst) {
                broken(QStringLiteral("shared string %1 without a shared string table").arg(index));
            }
            sstReader = std::make_unique<ContinuedReader>(stream, *sst, 0);
            sstReader->dword();  // strings referred to, in total
            sstCount = sstReader->dword();
        }
        if (index >= kMaxSharedStrings) {
            broken(QStringLiteral("shared string %1 past any table read").arg(index));
        }
        while (index >= sstItems.size() && sstItems.size() < sstCount) {
            sstItems.add(sstReader->richString());
        }
        if (index >= sstItems.size()) {
            broken(QStringLiteral("shared string %1 of %2").arg(index).arg(sstCount));
        }
        return sstItems.at(index);
    }

    QString numberText(quint16 xf, double value) const {
        return FormattedNumberText(value, xf < xfFormats.size() ? xfFormats[xf] : NumberFormat(), date1904);
    }
};

// The text of a byte string: its length in `lengthBytes` bytes, then the bytes in the code page.
QString byteString(Book& book, const QByteArray& body, qsizetype at, int lengthBytes) {
    if (at + lengthBytes > body.size()) {
        broken(QStringLiteral("string past its record"));
    }
    const qsizetype count =
        lengthBytes == 1 ? static_cast<unsigned char>(body[at]) : u16(body.constData() + at);
    if (at + lengthBytes + count > body.size()) {
        broken(QStringLiteral("string past its record"));
    }
    return book.bytes(body.constData() + at + lengthBytes, count);
}

// The cell record of one column of the current row; a MULRK record serves several columns.
struct CellRecord {
    Record record;
    int firstCol = 0;  // the record's first column; 0 for a column without a cell
};

class XlsWorksheet final : public RowBlockWorksheet {
public:
    XlsWorksheet(std::shared_ptr<Book> book, qint64 offset)
        : RowBlockWorksheet(kXlsMaxRow, kXlsMaxColumn), book_(std::move(book)), start_(offset) {
        Record bof;
        if (!recordAt(book_->stream, start_, bof) || bof.type != kBof) {
            broken(QStringLiteral("no sheet at %1").arg(start_));
        }
        scan();
        rewind();
    }

protected:
    void rewind() override {
        position_ = Record();
        recordAt(book_->stream, start_, position_);
        position_ = nextOf(position_);
        depth_ = 1;
        indexAt_ = 0;
        clearCells();
    }

    bool nextBlock() override {
        clearCells();
        int row = -1;
        if (!index_.empty()) {
            // Out of order on disk: the records of the next row from the sorted index.
            while (indexAt_ < index_.size() && (row < 0 || index_[indexAt_].row == row)) {
                row = index_[indexAt_].row;
                Record record;
                recordAt(book_->stream, index_[indexAt_].offset, record);
                addCell(record);
                ++indexAt_;
            }
        } else {
            // In order on disk: the records from here up to the first of a later row.
            while (depth_ > 0) {
                const quint16 type = position_.type;
                if (type == kBof) {
                    ++depth_;
                } else if (type == kEof) {
                    --depth_;
                } else if (depth_ == 1 && isCellRecord(type)) {
                    const int recordRow = rowOf(position_);
                    if (row >= 0 && recordRow != row) {
                        break;  // the next row starts here
                    }
                    row = recordRow;
                    addCell(position_);
                }
                if (depth_ > 0) {
                    position_ = nextOf(position_);
                }
            }
        }
        if (row < 0) {
            return false;
        }
        first_ = row + 1;
        last_ = row + 1;
        return true;
    }

    QString blockCellText(int col) override {
        const CellRecord& cell = columns_[static_cast<size_t>(col)];
        return cell.firstCol == 0 ? QString() : textOf(cell, col);
    }

    // A formula whose result cannot be trusted: the workbook or the sheet (UNCALCED) was saved with
    // recalculation pending, the formula is flagged to be calculated again (fAlwaysCalc, or the
    // calculate-on-open bit), or its string result has no STRING record.
    bool blockUncomputedFormula(int col) override {
        const CellRecord& cell = columns_[static_cast<size_t>(col)];
        if (cell.firstCol == 0 || cell.record.type != kFormula) {
            return false;
        }
        const QByteArray body = recordBody(book_->stream, cell.record);
        if (body.size() < 16) {
            broken(QStringLiteral("cell record at %1 too short").arg(cell.record.offset));
        }
        const char* p = body.constData();
        const bool stringResult = p[6] == 0 && static_cast<unsigned char>(p[12]) == 0xFF &&
                                  static_cast<unsigned char>(p[13]) == 0xFF;
        return book_->recalcOnLoad || uncalced_ || (u16(p + 14) & 0x0003) != 0 ||
               (stringResult && !stringAfter(cell.record));
    }

private:
    struct IndexEntry {
        int row;
        qint64 offset;
    };

    // The record after `record`; a sheet that ends without its EOF is broken.
    Record nextOf(const Record& record) const {
        Record next;
        if (!recordAt(book_->stream, record.next(), next)) {
            broken(QStringLiteral("sheet at %1 without its end").arg(start_));
        }
        return next;
    }

    int rowOf(const Record& record) const {
        char row[2];
        if (record.length < 6 || !book_->stream.read(record.offset + 4, row, 2)) {
            broken(QStringLiteral("cell record at %1 too short").arg(record.offset));
        }
        return u16(row);
    }

    // Reads the sheet's merged ranges, and checks its cell records are in row order, as Excel and
    // LibreOffice write them; when a program wrote them out of order, indexes them by row.
    void scan() {
        if (!cellsInOrder()) {
            std::vector<IndexEntry> entries;
            forEachRecord([&](const Record& record) {
                if (isCellRecord(record.type)) {
                    entries.push_back({rowOf(record), record.offset});
                }
            });
            std::stable_sort(entries.begin(), entries.end(),
                             [](const IndexEntry& a, const IndexEntry& b) { return a.row < b.row; });
            index_ = std::move(entries);
        }
    }

    // Whether the cell records are in row order; the merged ranges and UNCALCED read on the way.
    bool cellsInOrder() {
        bool ordered = true;
        int lastRow = -1;
        forEachRecord([&](const Record& record) {
            if (record.type == kMergedCells) {
                readMergedCells(record);
            } else if (record.type == kUncalced) {
                uncalced_ = true;
            } else if (isCellRecord(record.type)) {
                const int row = rowOf(record);
                ordered = ordered && row >= lastRow;
                lastRow = row;
            }
        });
        return ordered;
    }

    // A MERGEDCELLS record: a count, then each range's first and last row and column, from 0.
    void readMergedCells(const Record& record) {
        const QByteArray body = recordBody(book_->stream, record);
        const qsizetype count = body.size() >= 2 ? u16(body.constData()) : -1;
        if (count < 0 || body.size() < 2 + 8 * count) {
            broken(QStringLiteral("merged cells record at %1 too short").arg(record.offset));
        }
        for (qsizetype i = 0; i < count; ++i) {
            const char* p = body.constData() + 2 + 8 * i;
            if (u16(p + 4) >= kXlsMaxColumn || u16(p + 6) >= kXlsMaxColumn) {
                broken(QStringLiteral("merged range past the last column at %1").arg(record.offset));
            }
            merged_.add(u16(p) + 1, u16(p + 4) + 1, u16(p + 2) + 1, u16(p + 6) + 1);
        }
    }

    // Calls `f` with each record of the sheet itself, not of a substream inside it.
    template <typename F>
    void forEachRecord(F f) const {
        Record record;
        recordAt(book_->stream, start_, record);
        for (int depth = 1; depth > 0;) {
            record = nextOf(record);
            if (record.type == kBof) {
                ++depth;
            } else if (record.type == kEof) {
                --depth;
            } else if (depth == 1) {
                f(record);
            }
        }
    }

    void addCell(const Record& record) {
        char head[6];
        if (record.length < 6 || !book_->stream.read(record.offset + 4, head, 6)) {
            broken(QStringLiteral("cell record at %1 too short").arg(record.offset));
        }
        int first = u16(head + 2) + 1;
        int last = first;
        if (record.type == kMulRk) {
            last = first + (record.length - 6) / 6 - 1;
        }
        if (first > kXlsMaxColumn || last < first) {
            return;
        }
        // A later record for a column replaces an earlier one, so a row holds one cell per column.
        for (int col = first; col <= std::min(last, kXlsMaxColumn); ++col) {
            CellRecord& cell = columns_[static_cast<size_t>(col)];
            if (cell.firstCol == 0) {
                touched_.push_back(col);
            }
            cell = {record, first};
        }
    }

    void clearCells() {
        for (int col : touched_) {
            columns_[static_cast<size_t>(col)].firstCol = 0;
        }
        touched_.clear();
    }

    QString textOf(const CellRecord& cell, int col) {
        Book& book = *book_;
        const QByteArray body = recordBody(book.stream, cell.record);
        const char* p = body.constData();
        const auto need = [&](qsizetype n) {
            if (body.size() < n) {
                broken(QStringLiteral("cell record at %1 too short").arg(cell.record.offset));
            }
        };
        const quint16 xf = u16(p + 4);
        switch (cell.record.type) {
            case kLabelSst:
                need(10);
                return book.sharedString(u32(p + 6));
            case kLabel:
            case kRString:
                if (book.biff8) {
                    return ContinuedReader(book.stream, cell.record, 6).unicodeString();
                }
                return byteString(book, body, 6, 2);
            case kNumber:
                need(14);
                return book.numberText(xf, f64(p + 6));
            case kRk:
                need(10);
                return book.numberText(xf, rkValue(u32(p + 6)));
            case kMulRk: {
                const qsizetype at = 4 + 6 * qsizetype(col - cell.firstCol);
                need(at + 6);
                return book.numberText(u16(p + at), rkValue(u32(p + at + 2)));
            }
            case kBoolErr:
                need(8);
                return p[7] != 0 ? BinaryErrorText(static_cast<unsigned char>(p[6])) : BooleanText(p[6] != 0);
            case kFormula:
                need(14);
                return formulaText(cell.record, body);
            default:
                return {};
        }
    }

    // A formula's cached result: a number, or a marker for a string (in the STRING record that
    // follows), a boolean, an error or an empty string.
    QString formulaText(const Record& record, const QByteArray& body) {
        const char* p = body.constData();
        if (static_cast<unsigned char>(p[12]) != 0xFF || static_cast<unsigned char>(p[13]) != 0xFF) {
            return book_->numberText(u16(p + 4), f64(p + 6));
        }
        switch (p[6]) {
            case 0: {
                const std::optional<Record> string = stringAfter(record);
                if (!string) {
                    return {};
                }
                if (book_->biff8) {
                    return ContinuedReader(book_->stream, *string, 0).unicodeString();
                }
                return byteString(*book_, recordBody(book_->stream, *string), 0, 2);
            }
            case 1:
                return BooleanText(p[8] != 0);
            case 2:
                return BinaryErrorText(static_cast<unsigned char>(p[8]));
            default:
                return {};
        }
    }

    // The STRING record holding a formula's string result; shared-formula, array and table records may
    // stand between them.
    std::optional<Record> stringAfter(const Record& formula) const {
        Record next = formula;
        while (recordAt(book_->stream, next.next(), next)) {
            if (next.type == kString) {
                return next;
            }
            if (next.type != kSharedFormula && next.type != kArray && next.type != kTable) {
                break;
            }
        }
        return std::nullopt;
    }

    std::shared_ptr<Book> book_;
    qint64 start_;
    bool uncalced_ = false;          // the sheet was saved with recalculation pending
    Record position_;                // the next record to look at, in order
    int depth_ = 1;                  // substreams entered: charts embedded in the sheet have their own
    std::vector<IndexEntry> index_;  // empty when the records are in order
    size_t indexAt_ = 0;
    std::vector<CellRecord> columns_ = std::vector<CellRecord>(kXlsMaxColumn + 1);  // the current row's cells
    std::vector<int> touched_;                                                      // columns with a cell
};

class XlsWorkbook final : public Workbook {
public:
    explicit XlsWorkbook(std::shared_ptr<Book> book) : book_(std::move(book)) {
        for (const SheetEntry& sheet : book_->sheets) {
            names_.append(sheet.name);
        }
    }

    std::unique_ptr<Worksheet> worksheet(const QString& name) override {
        if (names_.isEmpty()) {
            throw AutomationError(kErrorNoWorksheets, QStringLiteral("the workbook has no worksheets"));
        }
        const int found = FindSheet(names_, name);
        if (found < 0) {
            throw AutomationError(kErrorNoSuchSheet, QStringLiteral("no worksheet named %1").arg(name));
        }
        return std::make_unique<XlsWorksheet>(book_, book_->sheets[static_cast<size_t>(found)].offset);
    }

    QStringList sheetNames() const override { return names_; }

private:
    std::shared_ptr<Book> book_;
    QStringList names_;
};

// A FORMAT record: a number format's id and code.
void readFormat(Book& book, const Record& record, QHash<int, NumberFormat>& formats) {
    const QByteArray body = recordBody(book.stream, record);
    if (body.size() < 3) {
        return;
    }
    const int id = u16(body.constData());
    if (book.biff8 && u16(body.constData() + 2) > kMaxCellTextLength) {
        broken(QStringLiteral("format code too long"));
    }
    const QString code =
        book.biff8 ? ContinuedReader(book.stream, record, 2).unicodeString() : byteString(book, body, 2, 1);
    formats.insert(id, NumberFormatOfCode(code));
}

// A BOUNDSHEET record: where a sheet's BOF is, its type and its name.
struct SheetRecord {
    QString name;
    qint64 offset;
    int type;
};
SheetRecord readBoundSheet(Book& book, const Record& record) {
    const QByteArray body = recordBody(book.stream, record);
    if (body.size() < 7) {
        broken(QStringLiteral("sheet record too short"));
    }
    SheetRecord sheet{{}, u32(body.constData()), static_cast<unsigned char>(body[5])};
    if (book.biff8) {
        const int count = static_cast<unsigned char>(body[6]);
        sheet.name =
            ContinuedReader(book.stream, record, 8).characters(count, body.size() > 7 && (body[7] & 1) != 0);
    } else {
        sheet.name = byteString(book, body, 6, 1);
    }
    return sheet;
}

// Reads the workbook globals: version, code page, date system, whether formulas are to be
// recalculated on opening, number formats, cell formats, sheets and where the shared strings are.
void readGlobals(Book& book) {
    Record record;
    if (!recordAt(book.stream, 0, record) || record.type != kBof) {
        broken(QStringLiteral("the workbook stream does not start with BOF"));
    }
    QByteArray body = recordBody(book.stream, record);
    const quint16 version = body.size() >= 2 ? u16(body.constData()) : 0;
    if (version != 0x0600 && version != 0x0500) {
        broken(QStringLiteral("BIFF version 0x%1 unsupported").arg(version, 4, 16, QLatin1Char('0')));
    }
    book.biff8 = version == 0x0600;
    QHash<int, NumberFormat> formats;
    std::vector<int> xfFormats;
    for (;;) {
        if (!recordAt(book.stream, record.next(), record)) {
            broken(QStringLiteral("workbook globals without their end"));
        }
        if (record.type == kEof) {
            break;
        }
        switch (record.type) {
            case kFilePass:
                throw AutomationError(kErrorPasswordProtected,
                                      QStringLiteral("xls: the workbook is encrypted"));
            case kCodePage:
                body = recordBody(book.stream, record);
                if (body.size() >= 2 && !book.biff8) {
                    book.codePage.emplace(u16(body.constData()));
                }
                break;
            case kDateMode:
                body = recordBody(book.stream, record);
                book.date1904 = body.size() >= 2 && u16(body.constData()) == 1;
                break;
            case kRecalcId:
                body = recordBody(book.stream, record);
                book.recalcOnLoad = body.size() >= 8 && u32(body.constData() + 4) == 0;
                break;
            case kSst:
                if (book.biff8 && !book.sst) {
                    book.sst = record;
                }
                break;
            case kFormat:
                readFormat(book, record, formats);
                break;
            case kXf:
                body = recordBody(book.stream, record);
                xfFormats.push_back(body.size() >= 4 ? u16(body.constData() + 2) : 0);
                break;
            case kBoundSheet: {
                const SheetRecord sheet = readBoundSheet(book, record);
                if (sheet.type == 0) {  // worksheets; not charts, macro sheets or modules
                    book.sheets.push_back({sheet.name, sheet.offset});
                }
                break;
            }
            default:
                break;
        }
    }
    for (int id : xfFormats) {
        book.xfFormats.push_back(formats.contains(id) ? formats.value(id) : BuiltinNumberFormat(id));
    }
}

}  // namespace

std::unique_ptr<Workbook> OpenXlsWorkbook(std::shared_ptr<const QByteArray> file) {
    const CompoundFile compound(file);
    auto book = std::make_shared<Book>();
    book->file = file;
    std::optional<CfbStream> stream = compound.rootStream(QStringLiteral("Workbook"));
    if (!stream) {
        stream = compound.rootStream(QStringLiteral("Book"));  // Excel 5.0/95
    }
    if (!stream) {
        if (compound.rootStream(QStringLiteral("EncryptedPackage")) ||
            compound.rootStream(QStringLiteral("EncryptionInfo"))) {
            throw AutomationError(kErrorPasswordProtected,
                                  QStringLiteral("an encrypted Office Open XML document"));
        }
        throw AutomationError(kErrorNoWorksheets, QStringLiteral("a compound file without a workbook: %1")
                                                      .arg(compound.rootNames().join(QLatin1String(", "))));
    }
    book->stream = std::move(*stream);
    readGlobals(*book);
    return std::make_unique<XlsWorkbook>(std::move(book));
}

}  // namespace velmora
