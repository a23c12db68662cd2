// The .xls reader on compound files and BIFF records the tests write byte by byte: every cell
// record, the shared string table split over CONTINUE records, Excel 95 files in GBK, and crafted
// compound files and records.

#include <QStringEncoder>
#include <QTest>
#include <QtEndian>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

enum : quint16 {
    kFormula = 0x0006,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kSharedFormula = 0x04BC,
};

// A shared string table written piece by piece, so a test decides where its CONTINUE records begin.
class SstWriter {
public:
    SstWriter(quint32 total, quint32 unique) {
        PutU32(current_, total);
        PutU32(current_, unique);
    }
    SstWriter& bytes(const QByteArray& b) {
        current_ += b;
        return *this;
    }
    // A string's header: count, flags, and the run count and phonetic size its flags call for.
    SstWriter& header(quint16 count, quint8 flags, quint16 runs = 0, quint32 extended = 0) {
        PutU16(current_, count);
        current_.append(static_cast<char>(flags));
        if (flags & 0x08) {
            PutU16(current_, runs);
        }
        if (flags & 0x04) {
            PutU32(current_, extended);
        }
        return *this;
    }
    SstWriter& narrow(const QByteArray& latin1) { return bytes(latin1); }
    SstWriter& wide(const QString& text) {
        for (QChar c : text) {
            PutU16(current_, c.unicode());
        }
        return *this;
    }
    // A simple string in one piece.
    SstWriter& string(const QString& text) { return bytes(BiffUnicodeString(text)); }
    // Ends the current record; what follows goes into a CONTINUE record.
    SstWriter& split() {
        records_.push_back(current_);
        current_.clear();
        return *this;
    }
    QByteArray build() {
        split();
        QByteArray result = BiffRecord(kSst, records_[0]);
        for (size_t i = 1; i < records_.size(); ++i) {
            result += BiffRecord(kContinue, records_[i]);
        }
        return result;
    }

private:
    QByteArray current_;
    std::vector<QByteArray> records_;
};

QByteArray labelSst(int row, int col, quint32 index, quint16 xf = 15) {
    QByteArray body = BiffCell(row, col, xf);
    PutU32(body, index);
    return BiffRecord(kLabelSst, body);
}

QByteArray number(int row, int col, double value, quint16 xf = 15) {
    QByteArray body = BiffCell(row, col, xf);
    PutF64(body, value);
    return BiffRecord(kNumber, body);
}

QByteArray rk(int row, int col, quint32 value) {
    QByteArray body = BiffCell(row, col);
    PutU32(body, value);
    return BiffRecord(kRk, body);
}

// A FORMULA record with its cached result: the 8 result bytes as given.
QByteArray formula(int row, int col, const QByteArray& result) {
    QByteArray body = BiffCell(row, col) + result;
    PutU16(body, 0);  // flags
    PutU32(body, 0);
    PutU16(body, 3);  // the formula's tokens: 1 + 2
    body += QByteArray("\x1E\x01\x00", 3);
    return BiffRecord(kFormula, body);
}

QByteArray specialResult(quint8 type, quint8 value) {
    QByteArray result(8, '\0');
    result[0] = static_cast<char>(type);
    result[2] = static_cast<char>(value);
    result[6] = '\xFF';
    result[7] = '\xFF';
    return result;
}

QByteArray numberResult(double value) {
    QByteArray result;
    PutF64(result, value);
    return result;
}

QByteArray boolErr(int row, int col, quint8 value, bool error) {
    QByteArray body = BiffCell(row, col);
    body.append(static_cast<char>(value));
    body.append(error ? '\x01' : '\x00');
    return BiffRecord(kBoolErr, body);
}

// Number formats and cell formats: 16 plain ones, then 16 a built-in date, 17 a custom date, 18 an
// amount.
QByteArray formatRecords() {
    QByteArray records;
    QByteArray format;
    PutU16(format, 164);
    format += BiffUnicodeString(QStringLiteral("yyyy\"年\"m\"月\"d\"日\""));
    records += BiffRecord(kFormat, format);
    for (int ifmt : {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 14, 164, 4}) {
        QByteArray xf;
        PutU16(xf, 0);
        PutU16(xf, static_cast<quint16>(ifmt));
        xf += QByteArray(16, '\0');
        records += BiffRecord(kXf, xf);
    }
    return records;
}

const QString kLong =
    QString(3000, QLatin1Char('A')) + QString(2000, QLatin1Char('B')) + QString(2000, QChar(u'中'));

QByteArray sharedStrings() {
    SstWriter sst(20, 7);
    sst.string(QStringLiteral("张三"))                     // 0
        .string(QStringLiteral("Li Si"))                   // 1
        .header(static_cast<quint16>(kLong.size()), 0x00)  // 2: narrow, then wide after the split
        .narrow(QByteArray(3000, 'A'))
        .split()
        .bytes("\x01")
        .wide(kLong.mid(3000))
        .header(4, 0x08, 2)  // 3: rich text whose runs straddle a split
        .narrow("rich")
        .bytes(QByteArray(5, '\0'))
        .split()
        .bytes(QByteArray(3, '\0'))
        .header(8, 0x04, 0, 6)  // 4: phonetic data skipped
        .narrow("phonetic")
        .bytes(QByteArray(6, '\x7F'))
        .header(2, 0x01)  // 5: the characters start in the next record, with their own flags
        .split()
        .bytes("\x01")
        .wide(QStringLiteral("王五"))
        .string(QString());  // 6: empty
    return sst.build();
}

BiffSheet valuesSheet() {
    QByteArray r;
    r += labelSst(1, 1, 0) + labelSst(1, 2, 1) + labelSst(1, 3, 2) + labelSst(1, 4, 3) + labelSst(1, 5, 4) +
         labelSst(1, 6, 5) + labelSst(1, 7, 6);
    r += BiffRecord(kLabel, BiffCell(2, 1) + BiffUnicodeString(QStringLiteral("赵六")));
    r += BiffRecord(kLabel, BiffCell(2, 2) + BiffUnicodeString(QStringLiteral("narrow")));
    r += number(2, 3, 1234.5) + number(2, 4, 0.5) + number(2, 5, 1e15) + number(2, 6, 0.00001);
    r += rk(3, 1, (100010u << 2) | 2);  // an integer
    r += rk(3, 2, (123450u << 2) | 3);  // an integer divided by 100
    r += rk(3, 3, 0x3FE00000u);         // the high bits of 0.5
    r += rk(3, 4, static_cast<quint32>(-5 << 2) | 2);
    QByteArray mulrk = BiffCell(3, 5);
    mulrk.chop(2);  // MULRK has no single cell format
    for (quint32 value : {7u, 8u, 9u}) {
        PutU16(mulrk, 15);
        PutU32(mulrk, (value << 2) | 2);
    }
    PutU16(mulrk, 6);  // the last column, from 0
    r += BiffRecord(kMulRk, mulrk);
    r += formula(4, 1, numberResult(1235));
    r += formula(4, 2, specialResult(0, 0)) + BiffRecord(kSharedFormula, QByteArray(10, '\0')) +
         BiffRecord(kString, BiffUnicodeString(QStringLiteral("赵六")));
    r += formula(4, 3, specialResult(1, 1)) + formula(4, 4, specialResult(1, 0));
    r += formula(4, 5, specialResult(2, 0x07)) + formula(4, 6, specialResult(3, 0));
    r += formula(4, 7, specialResult(0, 0)) + number(4, 8, 1);  // a string result without its STRING record
    r += boolErr(5, 1, 1, false) + boolErr(5, 2, 0, false) + boolErr(5, 3, 0x2A, true) +
         boolErr(5, 4, 0x17, true) + boolErr(5, 5, 0x00, true) + boolErr(5, 6, 0x0F, true) +
         boolErr(5, 7, 0x1D, true) + boolErr(5, 8, 0x24, true);
    r += number(6, 1, 45296, 16) + number(6, 2, 45296, 17) + number(6, 3, 45296.5, 18) +
         number(6, 4, 45296, 99);
    r += number(8, 256, 256);
    return {QStringLiteral("数据"), r};
}

std::unique_ptr<Workbook> valuesBook() {
    return openWorkbookData(MakeCompoundFile(
        {{QStringLiteral("Workbook"), Biff8Workbook({valuesSheet()}, formatRecords(), sharedStrings())}}));
}

// A small workbook: one sheet, its cells given.
QByteArray smallBook(const QByteArray& cells, const QByteArray& sst = {}) {
    return MakeCompoundFile(
        {{QStringLiteral("Workbook"), Biff8Workbook({{QStringLiteral("Sheet1"), cells}}, {}, sst)}});
}

}  // namespace

class TestXlsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared wide") << 1 << 1 << "张三";
        QTest::newRow("shared narrow") << 1 << 2 << "Li Si";
        QTest::newRow("shared, split and widened") << 1 << 3 << kLong;
        QTest::newRow("rich text, runs split") << 1 << 4 << "rich";
        QTest::newRow("phonetic data skipped") << 1 << 5 << "phonetic";
        QTest::newRow("characters in the next record") << 1 << 6 << "王五";
        QTest::newRow("shared empty") << 1 << 7 << "";
        QTest::newRow("label") << 2 << 1 << "赵六";
        QTest::newRow("narrow label") << 2 << 2 << "narrow";
        QTest::newRow("number") << 2 << 3 << "1234.5";
        QTest::newRow("half") << 2 << 4 << "0.5";
        QTest::newRow("large") << 2 << 5 << "1E+15";
        QTest::newRow("small") << 2 << 6 << "1E-05";
        QTest::newRow("rk integer postcode") << 3 << 1 << "100010";
        QTest::newRow("rk hundredths") << 3 << 2 << "1234.5";
        QTest::newRow("rk double") << 3 << 3 << "0.5";
        QTest::newRow("rk negative") << 3 << 4 << "-5";
        QTest::newRow("mulrk first") << 3 << 5 << "7";
        QTest::newRow("mulrk last") << 3 << 7 << "9";
        QTest::newRow("after mulrk") << 3 << 8 << "";
        QTest::newRow("formula number") << 4 << 1 << "1235";
        QTest::newRow("formula string") << 4 << 2 << "赵六";
        QTest::newRow("formula true") << 4 << 3 << "True";
        QTest::newRow("formula false") << 4 << 4 << "False";
        QTest::newRow("formula error") << 4 << 5 << "#DIV/0!";
        QTest::newRow("formula empty string") << 4 << 6 << "";
        QTest::newRow("formula string missing") << 4 << 7 << "";
        QTest::newRow("after it") << 4 << 8 << "1";
        QTest::newRow("true") << 5 << 1 << "True";
        QTest::newRow("false") << 5 << 2 << "False";
        QTest::newRow("#N/A") << 5 << 3 << "#N/A";
        QTest::newRow("#REF!") << 5 << 4 << "#REF!";
        QTest::newRow("#NULL!") << 5 << 5 << "#NULL!";
        QTest::newRow("#VALUE!") << 5 << 6 << "#VALUE!";
        QTest::newRow("#NAME?") << 5 << 7 << "#NAME?";
        QTest::newRow("#NUM!") << 5 << 8 << "#NUM!";
        QTest::newRow("built-in date") << 6 << 1 << "2024-01-05";
        QTest::newRow("custom date") << 6 << 2 << "2024-01-05";
        QTest::newRow("amount format") << 6 << 3 << "45296.5";
        QTest::newRow("unknown cell format") << 6 << 4 << "45296";
        QTest::newRow("blank row") << 7 << 1 << "";
        QTest::newRow("last column") << 8 << 256 << "256";
    }

    void values() {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, expected);
        QCOMPARE(valuesBook()->worksheet(QStringLiteral("数据"))->cellText(row, col), expected);
    }

    // A workbook stream under 4,096 bytes lives in the mini stream.
    void miniStream() {
        const QByteArray file = smallBook(
            number(1, 1, 42) + BiffRecord(kLabel, BiffCell(2, 1) + BiffUnicodeString(QStringLiteral("小"))));
        QVERIFY(file.size() < 4096);
        std::unique_ptr<Worksheet> sheet = openWorkbookData(file)->worksheet(QStringLiteral("sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("42"));
        QCOMPARE(sheet->cellText(2, 1), QStringLiteral("小"));
    }

    // Some programs write cells in the order they were set, not row by row.
    void outOfOrder() {
        std::unique_ptr<Worksheet> sheet =
            openWorkbookData(smallBook(number(3, 1, 3) + number(1, 1, 1) + number(2, 2, 22) +
                                       number(1, 2, 12) + number(2, 1, 21) + number(1, 1, 11)))
                ->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("11"));  // the later record for a cell wins
        QCOMPARE(sheet->cellText(1, 2), QStringLiteral("12"));
        QCOMPARE(sheet->cellText(2, 1), QStringLiteral("21"));
        QCOMPARE(sheet->cellText(2, 2), QStringLiteral("22"));
        QCOMPARE(sheet->cellText(3, 1), QStringLiteral("3"));
        QCOMPARE(sheet->cellText(4, 1), QString());
        QCOMPARE(sheet->nextRowWithData(1, {2}), 2);
        QCOMPARE(sheet->nextRowWithData(2, {2}), 0);
    }

    // A chart embedded in a sheet is a substream of its own; its records are not the sheet's cells.
    void substreams() {
        QByteArray chartBof;
        PutU16(chartBof, 0x0600);
        PutU16(chartBof, 0x0020);
        chartBof += QByteArray(12, '\0');
        const QByteArray cells = number(1, 1, 1) + BiffRecord(0x0809, chartBof) + number(1, 2, 999) +
                                 number(5, 1, 999) + BiffRecord(0x000A, {}) + number(2, 1, 2);
        std::vector<BiffSheet> sheets = {{QStringLiteral("Sheet1"), cells},
                                         {QStringLiteral("Chart1"), {}, 2}};
        std::unique_ptr<Workbook> book =
            openWorkbookData(MakeCompoundFile({{QStringLiteral("Workbook"), Biff8Workbook(sheets)}}));
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("Sheet1")));
        std::unique_ptr<Worksheet> sheet = book->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 2), QString());
        QCOMPARE(sheet->cellText(2, 1), QStringLiteral("2"));
        QCOMPARE(sheet->cellText(5, 1), QString());
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("Chart1")); }), kErrorNoSuchSheet);
    }

    // Excel 5.0/95 keeps text in the workbook's code page: here GBK, as Chinese Windows writes it.
    void biff5CodePage() {
        QStringEncoder gbk("GBK");
        const auto byteString = [&](const QString& text) {
            const QByteArray bytes = gbk(text);
            QByteArray b;
            PutU16(b, static_cast<quint16>(bytes.size()));
            return b + bytes;
        };
        QByteArray cells = BiffRecord(kLabel, BiffCell(1, 1) + byteString(QStringLiteral("张三")));
        cells += BiffRecord(kRString,
                            BiffCell(1, 2) + byteString(QStringLiteral("北京市")) + QByteArray("\x00", 1));
        cells += number(1, 3, 100010);
        cells += formula(1, 4, specialResult(0, 0)) + BiffRecord(kString, byteString(QStringLiteral("金额")));
        const QByteArray stream = Biff5Workbook({{QStringLiteral("工资表"), cells}}, 936, "GBK");
        std::unique_ptr<Workbook> book =
            openWorkbookData(MakeCompoundFile({{QStringLiteral("Book"), stream}}));
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("工资表")));
        std::unique_ptr<Worksheet> sheet = book->worksheet(QStringLiteral("工资表"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("张三"));
        QCOMPARE(sheet->cellText(1, 2), QStringLiteral("北京市"));
        QCOMPARE(sheet->cellText(1, 3), QStringLiteral("100010"));
        QCOMPARE(sheet->cellText(1, 4), QStringLiteral("金额"));
    }

    void otherCompoundFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        QTest::newRow("a word document")
            << MakeCompoundFile({{QStringLiteral("WordDocument"), QByteArray(5000, 'w')}})
            << kErrorNoWorksheets;
        QTest::newRow("an encrypted xlsx")
            << MakeCompoundFile({{QStringLiteral("EncryptedInfo"), "x"},
                                 {QStringLiteral("EncryptedPackage"), QByteArray(100, 'e')}})
            << kErrorNotWorkbook;
        QTest::newRow("no sheets") << MakeCompoundFile({{QStringLiteral("Workbook"), Biff8Workbook({})}})
                                   << kErrorNoWorksheets;
        QByteArray encrypted;
        PutU16(encrypted, 0);
        QTest::newRow("a password") << MakeCompoundFile({{QStringLiteral("Workbook"),
                                                          Biff8Workbook({{QStringLiteral("Sheet1"), {}}},
                                                                        BiffRecord(kFilePass, encrypted))}})
                                    << kErrorNotWorkbook;
        QByteArray biff4 = Biff8Workbook({{QStringLiteral("Sheet1"), {}}});
        SetU16(biff4, 4, 0x0400);
        QTest::newRow("an older Excel")
            << MakeCompoundFile({{QStringLiteral("Workbook"), biff4}}) << kErrorNotWorkbook;
    }

    void otherCompoundFiles() {
        QFETCH(QByteArray, file);
        QFETCH(int, error);
        QCOMPARE(
            ErrorNumber([&] { openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"))->cellText(1, 1); }),
            error);
    }

    // Crafted files fail as broken files (432), at the latest when the cell that meets the fault is read.
    void crafted_data() {
        QTest::addColumn<QByteArray>("file");
        const QByteArray big = smallBook(number(1, 1, 1) + number(2, 1, 2) +
                                         QByteArray(5000, '\0'));  // padding: records of type 0
        // The big file with one 32-bit field changed.
        const auto patched = [&big](qint64 at, quint32 value) {
            QByteArray file = big;
            SetU32(file, at, value);
            return file;
        };
        // The workbook stream's first sector pointing to itself.
        const quint32 first =
            qFromLittleEndian<quint32>(big.constData() + CfbDirectoryEntryOffset(big, 1) + 0x74);
        QTest::newRow("sector chain loop") << patched(CfbFatEntryOffset(big, first), first);
        QTest::newRow("sector past the file") << patched(CfbFatEntryOffset(big, first), 0x00FFFFFF);
        QTest::newRow("stream longer than its chain")
            << patched(CfbDirectoryEntryOffset(big, 1) + 0x78, 0x7FFFFFFF);
        QTest::newRow("directory tree loop") << patched(CfbDirectoryEntryOffset(big, 1) + 0x48, 1);
        QTest::newRow("four billion FAT sectors") << patched(0x2C, 0xFFFFFFFF);
        QTest::newRow("no directory") << patched(0x30, 0xFFFFFFFE);
        QTest::newRow("half a file") << big.left(big.size() / 2);
        QByteArray file = smallBook(number(1, 1, 1) + number(2, 1, 2) + QByteArray(160000, '\0'));
        SetU32(file, 0x2C, 300);  // 191 FAT sectors past the header's 109: two DIFAT sectors
        SetU32(file, 0x44, 0);    // the first DIFAT sector is data whose last entry names sector 0 again
        QTest::newRow("DIFAT chain loop") << file;
        file = smallBook(number(1, 1, 1));
        const qint64 rootMini =
            qFromLittleEndian<quint32>(file.constData() + CfbDirectoryEntryOffset(file, 1) + 0x74);
        const quint32 miniFat = CfbHeaderField(file, 0x3C);
        SetU32(file, CfbSectorOffset(miniFat) + 4 * rootMini, static_cast<quint32>(rootMini));
        QTest::newRow("mini sector chain loop") << file;

        QByteArray stream = Biff8Workbook({{QStringLiteral("Sheet1"), number(1, 1, 1) + number(2, 1, 2)}});
        const qsizetype second = stream.lastIndexOf(number(2, 1, 2));
        SetU16(stream, second + 2, 9000);
        QTest::newRow("record longer than BIFF allows")
            << MakeCompoundFile({{QStringLiteral("Workbook"), stream}});
        stream = Biff8Workbook({{QStringLiteral("Sheet1"), number(1, 1, 1) + number(2, 1, 2)}});
        stream.chop(4);  // the sheet's EOF
        QTest::newRow("sheet without its end") << MakeCompoundFile({{QStringLiteral("Workbook"), stream}});
        QTest::newRow("shared string past the table")
            << smallBook(number(1, 1, 1) + labelSst(2, 1, 5),
                         SstWriter(1000000000, 1000000000).string(QStringLiteral("a")).build());
        QTest::newRow("shared string without a table") << smallBook(number(1, 1, 1) + labelSst(2, 1, 0));
        QTest::newRow("string of 40,000 characters")
            << smallBook(number(1, 1, 1) + labelSst(2, 1, 0),
                         SstWriter(1, 1).header(40000, 0).narrow(QByteArray(8000, 'a')).build());
        QTest::newRow("string running past its records") << smallBook(
            number(1, 1, 1) + labelSst(2, 1, 0), SstWriter(1, 1).header(100, 0).narrow("short").build());
        QTest::newRow("phonetic size of four gigabytes") << smallBook(
            number(1, 1, 1) + labelSst(2, 1, 1),
            SstWriter(2, 2).header(1, 0x04, 0, 0xFFFFFFFF).narrow("a").string(QStringLiteral("b")).build());
        QTest::newRow("cell record too short")
            << smallBook(number(1, 1, 1) + BiffRecord(kNumber, BiffCell(2, 1)));
    }

    void crafted() {
        QFETCH(QByteArray, file);
        QCOMPARE(ErrorNumber([&] {
                     std::unique_ptr<Worksheet> sheet =
                         openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"));
                     QCOMPARE(sheet->cellText(1, 1), QStringLiteral("1"));
                     sheet->cellText(2, 1);
                 }),
                 kErrorNotWorkbook);
    }
};

QTEST_GUILESS_MAIN(TestXlsReader)
#include "test_xls_reader.moc"
