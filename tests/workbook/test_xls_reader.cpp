// The .xls reader on compound files and BIFF records the tests build byte by byte: every cell record,
// the shared string table split over CONTINUE records, Excel 95 files in GBK, and crafted files.

#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QByteArray cell(quint16 type, int row, int col, const QByteArray& rest, quint16 xf = 15) {
    return BiffRecord(type, BiffCell(row, col, xf) + rest);
}
QByteArray number(int row, int col, double value, quint16 xf = 15) {
    return cell(0x0203, row, col, F64(value), xf);
}
QByteArray sst(int row, int col, quint32 index) {
    return cell(0x00FD, row, col, U32(index));
}
// A FORMULA record with its cached result, and what follows it.
QByteArray formula(int row, int col, const QByteArray& result, const QByteArray& after = {}) {
    return cell(0x0006, row, col, result + U16(0) + U32(0) + U16(3) + QByteArray("\x1E\x01\x00", 3)) + after;
}
QByteArray special(char type, char value) {
    return QByteArray(1, type) + '\0' + QByteArray(1, value) + QByteArray(3, '\0') + "\xFF\xFF";
}
QByteArray wide(const QString& text) {  // UTF-16LE, on a little-endian machine
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
// An SST record and its CONTINUE records, one a piece.
QByteArray sstRecords(quint32 count, const std::vector<QByteArray>& pieces) {
    QByteArray records = BiffRecord(0x00FC, U32(count) + U32(count) + pieces[0]);
    for (size_t i = 1; i < pieces.size(); ++i) {
        records += BiffRecord(0x003C, pieces[i]);
    }
    return records;
}

const QString kLong = QString(3000, u'A') + QString(2000, u'中');

// Formats and cell formats: 16 plain ones, then 16 a built-in date, 17 a custom date, 18 an amount, 19 a
// postcode.
QByteArray formats() {
    QByteArray records =
        BiffRecord(0x041E, U16(164) + BiffString(QStringLiteral("yyyy\"年\"m\"月\"d\"日\""))) +
        BiffRecord(0x041E, U16(165) + BiffString(QStringLiteral("000000")));
    for (int format : {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 14, 164, 4, 165}) {
        records += BiffRecord(0x00E0, U16(0) + U16(quint16(format)) + QByteArray(16, '\0'));
    }
    return records;
}

QByteArray valuesBook() {
    const QByteArray strings = sstRecords(
        9,
        {BiffString(QStringLiteral("张三")) + BiffString(QStringLiteral("Li Si")) + U16(5000) + '\0' +
             QByteArray(3000, 'A'),  // 0, 1, 2 narrow then
         '\x01' + wide(kLong.mid(3000)) + U16(4) + '\x08' + U16(2) + "rich" + QByteArray(5, '\0'),  // wide; 3
         QByteArray(3, '\0') + U16(8) + '\x04' + U32(6) + "phonetic" + QByteArray(6, '\x7F') + U16(2) +
             '\x01',  // 4, 5
         '\x01' + wide(QStringLiteral("王五")) + BiffString({}) + U16(40000) + '\0' +
             QByteArray(8000, 'a'),  // 6, 7
         '\0' + QByteArray(8000, 'a'), '\x01' + QByteArray(8000, 'b'), '\0' + QByteArray(8000, 'c'),
         '\0' + QByteArray(8000, 'd'), '\0' + QByteArray(4000, 'e') + BiffString(QStringLiteral("x"))});  // 8
    QByteArray r;
    for (int i = 0; i <= 8; ++i) {
        r += sst(1, i + 1, quint32(i));
    }
    r += cell(0x0204, 2, 1, BiffString(QStringLiteral("赵六"))) +
         cell(0x0204, 2, 2, BiffString(QStringLiteral("narrow"))) + number(2, 3, 1234.5) +
         cell(0x0204, 2, 4, U16(40000) + '\0' + QByteArray(100, 'a'));
    r += cell(0x027E, 3, 1, U32((100010u << 2) | 2)) + cell(0x027E, 3, 2, U32((123450u << 2) | 3)) +
         cell(0x027E, 3, 3, U32(0x3FE00000u)) + cell(0x027E, 3, 4, U32(quint32(-5 << 2) | 2));
    r += BiffRecord(0x00BD, BiffCell(3, 5).left(4) + U16(15) + U32(7 << 2 | 2) + U16(15) + U32(8 << 2 | 2) +
                                U16(15) + U32(9 << 2 | 2) + U16(6));
    r += formula(4, 1, F64(1235)) + formula(4, 2, special(0, 0),
                                            BiffRecord(0x04BC, QByteArray(10, '\0')) +
                                                BiffRecord(0x0207, BiffString(QStringLiteral("赵六"))));
    r += formula(4, 3, special(1, 1)) + formula(4, 4, special(1, 0)) + formula(4, 5, special(2, 0x07)) +
         formula(4, 6, special(3, 0)) + formula(4, 7, special(0, 0), number(4, 8, 1));
    r += cell(0x0205, 5, 1, QByteArray("\x01\x00", 2)) + cell(0x0205, 5, 2, QByteArray(2, '\0'));
    for (auto [col, code] : {std::pair{3, 0x2A}, {4, 0x17}, {5, 0x00}, {6, 0x0F}, {7, 0x1D}, {8, 0x24}}) {
        r += cell(0x0205, 5, col, QByteArray(1, char(code)) + '\x01');
    }
    r += number(6, 1, 45296, 16) + number(6, 2, 45296, 17) + number(6, 3, 45296.5, 18) +
         number(6, 4, 30000, 19) + number(6, 5, 45296, 99) + number(8, 256, 256);
    return MakeCompoundFile(
        {{QStringLiteral("Workbook"), Biff8({{QStringLiteral("数据"), r}}, formats() + strings)}});
}

}  // namespace

class TestXlsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");  // columns 1 to 8
        QTest::newRow("shared strings") << 1 << "张三|Li Si|" + kLong + "|rich|phonetic|王五||error 14";
        QTest::newRow("labels, numbers") << 2 << "赵六|narrow|1234.5|error 14||||";
        QTest::newRow("rk and mulrk") << 3 << "100010|1234.5|0.5|-5|7|8|9|";
        QTest::newRow("formulas") << 4 << "1235|赵六|True|False|#DIV/0!|||1";
        QTest::newRow("booleans and errors") << 5 << "True|False|#N/A|#REF!|#NULL!|#VALUE!|#NAME?|#NUM!";
        QTest::newRow("formats") << 6 << "2024-01-05|2024-01-05|45296.5|030000|45296|||";
        QTest::newRow("blank row") << 7 << "|||||||";
    }
    void values() {
        QFETCH(int, row);
        QFETCH(QString, expected);
        std::unique_ptr<Worksheet> sheet = openWorkbookData(valuesBook())->worksheet(QStringLiteral("数据"));
        QStringList texts;
        for (int col = 1; col <= 8; ++col) {
            const int error = ErrorNumber([&] { texts << sheet->cellText(row, col); });
            if (error != 0) {
                texts << QStringLiteral("error %1").arg(error);
            }
        }
        QCOMPARE(texts.join(u'|'), expected);
        QCOMPARE(sheet->cellText(8, 256), QStringLiteral("256"));
        QCOMPARE(sheet->cellText(1, 9), QStringLiteral("x"));  // after the long strings passed over
        QCOMPARE(sheet->nextRowWithData(6, {4}), 0);
        QCOMPARE(sheet->nextRowWithData(0, {8}), 1);  // a string too long is data
    }

    void sheets() {
        // Records out of order, a later one for a cell winning; a chart inside the sheet; the mini stream.
        const QByteArray chartBof = BiffRecord(0x0809, U16(0x0600) + U16(0x0020) + QByteArray(12, '\0'));
        const QByteArray records = number(3, 1, 3) + number(1, 1, 1) + number(2, 2, 22) + chartBof +
                                   number(5, 1, 999) + BiffRecord(0x000A, {}) + number(1, 2, 12) +
                                   number(2, 1, 21) + number(1, 1, 11);
        std::unique_ptr<Workbook> book = openWorkbookData(
            MakeCompoundFile({{QStringLiteral("Workbook"),
                               Biff8({{QStringLiteral("Sheet1"), records}, {QStringLiteral("Chart1"), {}}},
                                     BiffRecord(0x0022, U16(1)))}}));
        std::unique_ptr<Worksheet> sheet = book->worksheet(QStringLiteral("sheet1"));
        QStringList texts;
        for (int row = 1; row <= 5; ++row) {
            texts << sheet->cellText(row, 1) + u',' + sheet->cellText(row, 2);
        }
        QCOMPARE(texts.join(u'|'), QStringLiteral("11,12|21,22|3,|,|,"));
        QCOMPARE(sheet->nextRowWithData(1, {2}), 2);
        QCOMPARE(sheet->nextRowWithData(2, {2}), 0);
        QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("Sheet1"), QStringLiteral("Chart1")}));
        // Excel 5.0/95 keeps text in the workbook's code page: here GBK, as Chinese Windows writes it;
        // a lead byte without its second byte reads as U+FFFD.
        const auto gbk = [](const QByteArray& bytes) { return U16(quint16(bytes.size())) + bytes; };
        const QByteArray biff5 = cell(0x0204, 1, 1, gbk("\xD5\xC5\xC8\xFD")) +
                                 cell(0x00D6, 1, 2, gbk("\xB1\xB1\xBE\xA9\xCA\xD0") + '\0') +
                                 number(1, 3, 100010) +
                                 formula(1, 4, special(0, 0), BiffRecord(0x0207, gbk("\xBD\xF0\xB6\xEE"))) +
                                 cell(0x0204, 1, 5, gbk("\xD5\x20\xC8\xFD"));
        book = openWorkbookData(
            MakeCompoundFile({{QStringLiteral("Book"), Biff5Gbk("\xB9\xA4\xD7\xCA\xB1\xED", biff5)}}));
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("工资表")));
        sheet = book->worksheet(QStringLiteral("工资表"));
        QCOMPARE((QStringList{sheet->cellText(1, 1), sheet->cellText(1, 2), sheet->cellText(1, 3),
                              sheet->cellText(1, 4), sheet->cellText(1, 5)}),
                 (QStringList{"张三", "北京市", "100010", "金额", "\uFFFD 三"}));
    }

    // Whole files refused, or cells: the error of opening Sheet1 and reading A1 and A2.
    void refused_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        const auto row = [](const char* name, const QByteArray& file, int error) {
            QTest::newRow(name) << file << error;
        };
        const auto globals = [](const QByteArray& records) {
            return MakeXls(number(1, 1, 1) + number(2, 1, 2), records);
        };
        row("a word document", MakeCompoundFile({{QStringLiteral("WordDocument"), QByteArray(5000, 'w')}}),
            438);
        row("an encrypted xlsx",
            MakeCompoundFile({{QStringLiteral("EncryptionInfo"), "x"},
                              {QStringLiteral("EncryptedPackage"), QByteArray(100, 'e')}}),
            70);
        row("encryption info alone", MakeCompoundFile({{QStringLiteral("EncryptionInfo"), "x"}}), 70);
        row("a password", globals(BiffRecord(0x002F, U16(1))), 70);
        row("no sheets", MakeCompoundFile({{QStringLiteral("Workbook"), Biff8({})}}), 438);
        QByteArray biff4 = Biff8({{QStringLiteral("Sheet1"), {}}});
        biff4[5] = 0x04;
        row("an older Excel", MakeCompoundFile({{QStringLiteral("Workbook"), biff4}}), 432);
        row("format code too long", globals(BiffRecord(0x041E, U16(164) + U16(40000) + '\0')), 432);
        row("sheet record too short", globals(BiffRecord(0x0085, U32(0))), 432);
        row("shared string past any table",
            MakeXls(number(1, 1, 1) + sst(2, 1, 4194304), sstRecords(1, {BiffString("a")})), 432);
        row("shared string past the table",
            MakeXls(number(1, 1, 1) + sst(2, 1, 5), sstRecords(1000000, {BiffString("a")})), 432);
        row("shared string without a table", MakeXls(number(1, 1, 1) + sst(2, 1, 0)), 432);
        row("string running past its records",
            MakeXls(number(1, 1, 1) + sst(2, 1, 0), sstRecords(1, {U16(100) + '\0' + "short"})), 432);
        row("phonetic size of four gigabytes",
            MakeXls(number(1, 1, 1) + sst(2, 1, 1),
                    sstRecords(2, {U16(1) + '\x04' + U32(0xFFFFFFFF) + "a" + BiffString("b")})),
            432);
        row("cell record too short", MakeXls(number(1, 1, 1) + BiffRecord(0x0203, BiffCell(2, 1))), 432);
        QByteArray stream = Biff8({{QStringLiteral("Sheet1"), number(1, 1, 1) + number(2, 1, 2)}});
        QByteArray longRecord = stream;
        longRecord.replace(longRecord.lastIndexOf(number(2, 1, 2)) + 2, 2, U16(8232));
        row("record longer than BIFF allows", MakeCompoundFile({{QStringLiteral("Workbook"), longRecord}}),
            432);
        stream.chop(4);
        row("sheet without its end", MakeCompoundFile({{QStringLiteral("Workbook"), stream}}), 432);
        // The compound file itself: a big one, with one field changed.
        const QByteArray big = MakeXls(number(1, 1, 1) + number(2, 1, 2) + QByteArray(5000, '\0'));
        const qsizetype entry = (qsizetype(U32At(big, 0x30)) + 1) * 512 + 128;  // the workbook stream's
        const quint32 first = U32At(big, entry + 0x74);
        const qsizetype fat = (qsizetype(U32At(big, 0x4C)) + 1) * 512 + 4 * first;
        const auto patched = [](QByteArray file, qsizetype at, quint32 value) {
            SetU32(file, at, value);
            return file;
        };
        row("sector chain loop", patched(big, fat, first), 432);
        row("sector past the file", patched(big, fat, 0x00FFFFFF), 432);
        row("stream longer than its chain", patched(big, entry + 0x78, 0x7FFFFFFF), 432);
        row("directory tree loop", patched(big, entry + 0x48, 1), 432);
        row("four billion FAT sectors", patched(big, 0x2C, 0xFFFFFFFF), 432);
        row("FAT sector outside", patched(big, 0x4C, 0x00FFFFFF), 432);
        row("no directory", patched(big, 0x30, 0xFFFFFFFE), 432);
        row("no root entry", patched(big, entry - 128 + 0x40, 0), 432);
        row("another sector size", patched(big, 0x1C, 0x000AFFFE), 432);
        row("another mini cutoff", patched(big, 0x38, 512), 432);
        row("half a file", big.left(big.size() / 2), 432);
        QByteArray file = MakeXls(number(1, 1, 1) + number(2, 1, 2) + QByteArray(160000, '\0'));
        SetU32(file, 0x2C, 300);  // 191 FAT sectors past the header's 109: two DIFAT sectors
        SetU32(file, 0x44, 0);    // the first DIFAT sector is data whose last entry names sector 0 again
        row("DIFAT chain loop", file, 432);
        // Past 7 MB the FAT's sectors are listed in DIFAT sectors too: here two, the second partly used.
        QByteArray filler;
        for (int i = 0; i < 2000; ++i) {
            filler += BiffRecord(0x0868, QByteArray(8000, 'f'));  // a record the reader passes over
        }
        const QByteArray large = MakeXls(number(1, 1, 1) + filler + number(2, 1, 2));
        row("a large file, two DIFAT sectors", large, 0);
        row("a large file, a FAT sector past its DIFAT", patched(large, 0x2C, U32At(large, 0x2C) + 1), 432);
        row("a large file, its DIFAT chain cut short",
            patched(large, (qsizetype(U32At(large, 0x44)) + 1) * 512 + 4 * 127, 0xFFFFFFFE), 432);
        file = MakeXls(number(1, 1, 1));
        const qsizetype miniFat = (qsizetype(U32At(file, 0x3C)) + 1) * 512;
        SetU32(file, miniFat, 0);
        row("mini sector chain loop", file, 432);
        SetU32(file, miniFat, 8);  // one past the mini stream's last sector
        row("mini sector past the stream", file, 432);
        // A mini stream of one whole sector whose chain goes on: only the sector it needs is read.
        file = MakeXls(number(1, 1, 1) + number(2, 1, 2));
        const qsizetype root = (qsizetype(U32At(file, 0x30)) + 1) * 512;
        SetU32(file, root + 0x78, 512);
        row("mini stream chain longer than its size",
            patched(file, (qsizetype(U32At(file, 0x4C)) + 1) * 512 + 4 * U32At(file, root + 0x74),
                    0x00FFFFFF),
            0);
        // The workbook stream in two mini sectors stored the other way round, chained 1 then 0.
        file = MakeXls(number(1, 1, 1) + number(2, 1, 2));
        const qsizetype directory = (qsizetype(U32At(file, 0x30)) + 1) * 512;
        const qsizetype ministream = (qsizetype(U32At(file, directory + 0x74)) + 1) * 512;
        const qsizetype minifat = (qsizetype(U32At(file, 0x3C)) + 1) * 512;
        file.replace(ministream, 128, file.mid(ministream + 64, 64) + file.mid(ministream, 64));
        SetU32(file, directory + 128 + 0x74, 1);
        SetU32(file, minifat, 0xFFFFFFFE);
        row("mini sectors out of order", patched(file, minifat + 4, 0), 0);
    }
    // Records of the least length they may have: an XF of 4 bytes names its number format, a MULRK of
    // 6 bytes holds no cell.
    void shortRecords() {
        QByteArray xfs;
        for (int format : {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 14}) {
            xfs += BiffRecord(0x00E0, U16(0) + U16(quint16(format)));
        }
        const QByteArray file =
            MakeXls(number(1, 1, 45296, 16) + BiffRecord(0x00BD, BiffCell(2, 1)) + number(2, 2, 2), xfs);
        std::unique_ptr<Worksheet> sheet = openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("2024-01-05"));
        QCOMPARE(sheet->cellText(2, 1), QString());
        QCOMPARE(sheet->cellText(2, 2), QStringLiteral("2"));
    }

    void refused() {
        QFETCH(QByteArray, file);
        QFETCH(int, error);
        QCOMPARE(ErrorNumber([&] {
                     std::unique_ptr<Worksheet> sheet =
                         openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"));
                     QCOMPARE(sheet->cellText(1, 1), QStringLiteral("1"));
                     sheet->cellText(2, 1);
                 }),
                 error);
    }
};

QTEST_GUILESS_MAIN(TestXlsReader)
#include "test_xls_reader.moc"
