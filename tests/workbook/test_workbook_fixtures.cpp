// The readers on the workbook LibreOffice Calc made (tools/make-fixtures.sh) in every format, the
// error numbers of paths that hold no workbook, and the CSV reader on crafted text.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "code_page.h"
#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

// Rows that decode GB18030 need a table for it: ICU and Windows have one, Wine has none.
#define SKIP_WITHOUT_GB18030()                                       \
    if (QByteArray(QTest::currentDataTag()).startsWith("gb18030") && \
        !DecodeCodePage(kCodePageGb18030, "a")) {                    \
        QSKIP("no GB18030 table on this system");                    \
    }

namespace {

QString fixture(const QString& format) {
    return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tests/data/workbooks/payees.") +
           format;
}

const QStringList kFormats = {QStringLiteral("xlsx"), QStringLiteral("xls"), QStringLiteral("ods"),
                              QStringLiteral("csv")};

// Sheet1, as every format must give it.
const char* const kSheet1[8][4] = {
    {"收款人", "邮编", "地址", "金额"},
    {"张三", "100010", "北京市东城区东长安街1号", "1234.5"},
    {"李四", "010020", "上海市黄浦区中山东一路2号", "0.5"},
    {" 王五  ", "518000", "深圳市福田区  深南大道3号", "1235"},
    {"", "", "", ""},
    {"赵六", "030000", "广州市越秀区\n第二行", "#DIV/0!"},
    {"钱七", "123456789012345", "\"引号\", 逗号", "#N/A"},
    {"2024-01-05", "0.333333333333333", "-12.75", "0.1"},
};

}  // namespace

class TestWorkbookFixtures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sheet1_data() {
        QTest::addColumn<QString>("format");
        for (const QString& f : kFormats) {
            QTest::newRow(qPrintable(f)) << f;
        }
    }

    // The differential test: Sheet1 read as .xlsx, .xls, .ods and .csv gives the same cells, those above,
    // read forward, back to the top and at the sheet's last cell.
    void sheet1() {
        QFETCH(QString, format);
        std::unique_ptr<Worksheet> sheet = openWorkbook(fixture(format))->worksheet(QStringLiteral("Sheet1"));
        for (int pass = 0; pass < 2; ++pass) {
            for (int row = 1; row <= 10; ++row) {
                for (int col = 1; col <= 5; ++col) {
                    const bool inside = row <= 8 && col <= 4;
                    QCOMPARE(sheet->cellText(row, col),
                             QString::fromUtf8(inside ? kSheet1[row - 1][col - 1] : ""));
                    QCOMPARE(sheet->isUncomputedFormula(row, col), false);  // every formula has its result
                }
            }
        }
        QCOMPARE(sheet->cellText(sheet->maxRow(), sheet->maxColumn()), QString());
        QCOMPARE(sheet->nextRowWithData(0, {1, 2, 3, 4}), 1);
        QCOMPARE(sheet->nextRowWithData(4, {1, 2, 3, 4}), 6);  // past the blank row 5
        QCOMPARE(sheet->nextRowWithData(8, {1, 2, 3, 4}), 0);
        QCOMPARE(sheet->nextRowWithData(1, {5, 6}), 0);  // columns holding nothing
        QCOMPARE(sheet->nextRowWithData(7, {2}), 8);     // back to an earlier row
        QCOMPARE(ErrorNumber([&] { sheet->nextRowWithData(0, {0}); }), kErrorCellOutOfRange);
        const int lastRow = format == QLatin1String("xls") ? 65536 : 1048576;
        const int lastCol = format == QLatin1String("xls") ? 256 : 16384;
        QCOMPARE(sheet->maxRow(), lastRow);
        QCOMPARE(sheet->maxColumn(), lastCol);
        for (auto [row, col] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {lastRow + 1, 1}, {1, lastCol + 1}}) {
            QCOMPARE(ErrorNumber([&] { sheet->cellText(row, col); }), kErrorCellOutOfRange);
        }
    }

    void otherSheets_data() { sheet1_data(); }
    void otherSheets() {
        QFETCH(QString, format);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(format));
        if (format == QLatin1String("csv")) {
            QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("payees")));
            QCOMPARE(book->worksheet(QStringLiteral("any name"))->cellText(2, 1), QStringLiteral("张三"));
            return;
        }
        QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("Sheet1"), QStringLiteral("数据2"),
                                                  QStringLiteral("2024"), QStringLiteral("类型")}));
        // sheet, row, column, text
        for (const auto& c : Cases(QStringLiteral("workbooks/fixture-sheets.txt"))) {
            QCOMPARE(book->worksheet(QString::fromUtf8(c[0]))->cellText(c[1].toInt(), c[2].toInt()),
                     QString::fromUtf8(c[3]));
        }
        // Letter case does not matter; a name of digits is a name, not a position.
        QCOMPARE(book->worksheet(QStringLiteral("SHEET1"))->cellText(2, 1), QStringLiteral("张三"));
        for (const char* name : {"1", "3", "Sheet2", "", " Sheet1"}) {
            QCOMPARE(ErrorNumber([&] { book->worksheet(QString::fromUtf8(name)); }), kErrorNoSuchSheet);
        }
        std::unique_ptr<Worksheet> repeated = book->worksheet(QStringLiteral("数据2"));
        QCOMPARE(repeated->nextRowWithData(1, {2}), 2);
        QCOMPARE(repeated->nextRowWithData(3, {2}), 4);
        QCOMPARE(repeated->nextRowWithData(4, {1, 2}), 0);
    }

    // paths.txt: what a path holds, and the text of its cell A2 or the error number.
    void paths_data() { AddRows(QStringLiteral("workbooks/paths.txt"), "kind:s name:s expected:s"); }
    void paths() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString path = name.isEmpty() ? QString() : dir.filePath(name);
        const auto write = [&](const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        if (kFormats.contains(kind)) {
            QVERIFY(QFile::copy(fixture(kind), path));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (kind == QLatin1String("fifo") || kind == QLatin1String("device")) {
#ifdef Q_OS_WIN
            QSKIP("Windows has no FIFOs or /dev/zero");
#else
            if (kind == QLatin1String("fifo")) {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);  // would block an open()
            } else {
                path = QStringLiteral("/dev/zero");  // never ends
            }
#endif
        } else if (kind == QLatin1String("empty")) {
            write({});
        } else if (kind.startsWith(QLatin1String("half"))) {
            QFile file(fixture(kind.mid(5)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            write(file.read(file.size() / 2));
        }
        QString text;
        const int error = ErrorNumber(
            [&] { text = openWorkbook(path)->worksheet(QStringLiteral("Sheet1"))->cellText(2, 1); });
        QCOMPARE(error == 0 ? text : QStringLiteral("error %1").arg(error), expected);
    }

    // The reader of comma- and tab-separated text on crafted files.
    // csv-cells.txt: encodings, separators, quoting, line ends, bounds.
    void csvCells_data() {
        AddRows(QStringLiteral("workbooks/csv-cells.txt"), "bytes:b expected:s");
    }
    void csvCells() {
        QFETCH(QByteArray, bytes);
        SKIP_WITHOUT_GB18030();
        QFETCH(QString, expected);
        Seed("csv", bytes);
        std::unique_ptr<Worksheet> sheet;
        const int error = ErrorNumber(
            [&] { sheet = openWorkbookData(bytes, QStringLiteral("csv"))->worksheet(QStringLiteral("x")); });
        if (error != 0) {
            QCOMPARE(QStringLiteral("error %1").arg(error), expected);
            return;
        }
        QStringList rows;
        for (int row = 1; row <= 3; ++row) {
            QStringList cells;
            for (int col = 1; col <= 3; ++col) {
                const int error = ErrorNumber([&] { cells << sheet->cellText(row, col); });
                if (error != 0) {
                    cells << QStringLiteral("error %1").arg(error);
                }
            }
            rows << cells.join(u',');
        }
        QCOMPARE(rows.join(u'|'), expected);
    }

    // csv-coding.txt: how the text is decoded, the whole file judged, the line of a fault named.
    void csvCoding_data() {
        // expected: cells A1 and A2, or the refusal
        AddRows(QStringLiteral("workbooks/csv-coding.txt"), "bytes:b expected:s");
    }
    void csvCoding() {
        QFETCH(QByteArray, bytes);
        SKIP_WITHOUT_GB18030();
        QFETCH(QString, expected);
        Seed("csv", bytes.left(4096));
        try {
            std::unique_ptr<Worksheet> sheet = openWorkbookData(bytes, QStringLiteral("csv"))->worksheet({});
            QCOMPARE(sheet->cellText(1, 1) + u'|' + sheet->cellText(2, 1), expected);
        } catch (const AutomationError& e) {
            QCOMPARE(e.number, kErrorNotWorkbook);
            QCOMPARE(e.detail, expected);
        }
    }

    // Merged ranges read as shown: A2:D2 keeps "张三" in A2, A3:A4 hides "hidden" in A4. (The .xlsx
    // cases are in xlsx-cells.txt and xlsx-next-row.txt.)
    void mergedRanges_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");  // A2, B2, C2, D2, A3, A4, and the next row with data after 3
        const auto row = [](const char* name, const QByteArray& file, const char* expected) {
            QTest::newRow(name) << file << QString::fromUtf8(expected);
        };
        const auto biffText = [](int row, int col, const QString& text) {
            return BiffRecord(0x0204, BiffCell(row, col) + BiffString(text));
        };
        const QByteArray records =
            biffText(2, 1, QStringLiteral("张三")) + BiffRecord(0x0203, BiffCell(2, 2) + F64(100010)) +
            biffText(2, 3, QStringLiteral("北京")) + BiffRecord(0x0203, BiffCell(2, 4) + F64(100)) +
            biffText(3, 1, QStringLiteral("李四")) + biffText(4, 1, QStringLiteral("hidden"));
        const QByteArray mergedCells = BiffRecord(
            0x00E5, U16(2) + U16(1) + U16(1) + U16(0) + U16(3) + U16(3) + U16(2) + U16(0) + U16(0));
        row("xls", MakeXls(records + mergedCells), "张三||||李四||0");
        row("xls, a range past the last column",
            MakeXls(records + BiffRecord(0x00E5, U16(1) + U16(1) + U16(1) + U16(0) + U16(256))), "error 432");
        row("xls, a record too short",
            MakeXls(records + BiffRecord(0x00E5, U16(2) + U16(1) + U16(1) + U16(0) + U16(3))), "error 432");
        row("xls, a record of no ranges", MakeXls(records + BiffRecord(0x00E5, U16(0))),
            "张三|100010|北京|100|李四|hidden|4");
        const auto odsCell = [](const char* text, const QByteArray& attributes = {}) {
            return "<table:table-cell" + attributes + "><text:p>" + QByteArray(text) +
                   "</text:p></table:table-cell>";
        };
        row("ods",
            MakeOds(R"(<table:table table:name="Sheet1"><table:table-row/><table:table-row>)" +
                    odsCell("张三", R"( table:number-columns-spanned="4")") +
                    R"(<table:covered-table-cell office:value-type="float" office:value="100010"/>)"
                    R"(<table:covered-table-cell table:number-columns-repeated="2"><text:p>x</text:p>)"
                    R"(</table:covered-table-cell></table:table-row><table:table-row>)" +
                    odsCell("李四", R"( table:number-rows-spanned="2")") +
                    "</table:table-row><table:table-row><table:covered-table-cell><text:p>hidden</"
                    "text:p></table:covered-table-cell></table:table-row></table:table>"),
            "张三||||李四||0");
    }
    void mergedRanges() {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QString texts = Cells(file, QStringLiteral("2,1 2,2 2,3 2,4 3,1 4,1"));
        const int error = ErrorNumber([&] {
            texts +=
                u'|' +
                QString::number(
                    openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"))->nextRowWithData(3, {1}));
        });
        QCOMPARE(error == 0 ? texts : QStringLiteral("error %1").arg(error), expected);
    }

    // Formulas whose result the file cannot vouch for: G2 = E2 * F2, E2 and F2 being 10.
    void uncomputedFormulas_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("uncomputed");
        const auto row = [](const char* name, const QByteArray& file, const char* text, bool uncomputed) {
            QTest::newRow(name) << file << QString::fromUtf8(text) << uncomputed;
        };
        const auto xlsx = [](const QByteArray& g2, const QByteArray& afterSheets = {},
                             const QByteArray& afterRows = {}, const QByteArray& inRow = {}) {
            Xlsx x;
            x.afterSheets = afterSheets;
            x.sheets = {{QStringLiteral("Sheet1"),
                         SheetXml(R"(<sheetData><row r="2">)" + inRow +
                                  R"(<c r="E2"><v>10</v></c><c r="F2"><v>10</v></c><c r="G2">)" + g2 +
                                  "</c></row></sheetData>" + afterRows)}};
            return MakeZip(x.entries());
        };
        const QByteArray onLoad = R"(<calcPr calcId="191029" fullCalcOnLoad="1"/>)";
        const QByteArray sheetOnLoad = R"(<sheetCalcPr fullCalcOnLoad="true"/>)";
        row("xlsx, recalculated when opened", xlsx("<f>E2*F2</f><v>0</v>", onLoad), "0", true);
        row("xlsx, a cached result", xlsx("<f>E2*F2</f><v>100</v>"), "100", false);
        row("xlsx, no cached result", xlsx("<f>E2*F2</f>"), "", true);
        row("xlsx, a value", xlsx("<v>100</v>", onLoad), "100", false);
        row("xlsx, a sheet recalculated when opened", xlsx("<f>E2*F2</f><v>100</v>", {}, sheetOnLoad), "100",
            true);
        row("xlsx read by the XML reader, a sheet recalculated when opened",
            xlsx("<f>E2*F2</f><v>100</v>", {}, sheetOnLoad, "<!-- -->"), "100", true);
        const auto xls = [](quint16 flags, const QByteArray& result, const QByteArray& records = {},
                            const QByteArray& globals = {}) {
            const QByteArray formula = BiffRecord(0x0006, BiffCell(2, 7) + result + U16(flags) + U32(0) +
                                                              U16(3) + QByteArray("\x1E\x01\x00", 3));
            return MakeXls(BiffRecord(0x0203, BiffCell(2, 5) + F64(10)) +
                               BiffRecord(0x0203, BiffCell(2, 6) + F64(10)) + formula + records,
                           globals);
        };
        row("xls, a cached result", xls(0, F64(100)), "100", false);
        row("xls, to be calculated always", xls(1, F64(100)), "100", true);
        row("xls, to be calculated when opened", xls(2, F64(100)), "100", true);
        row("xls, recalculated when opened",
            xls(0, F64(0), {}, BiffRecord(0x01C1, U16(0x01C1) + U16(0) + U32(0))), "0", true);
        row("xls, recalculated by another engine",
            xls(0, F64(100), {}, BiffRecord(0x01C1, U16(0x01C1) + U16(0) + U32(191029))), "100", false);
        row("xls, a sheet saved uncalculated", xls(0, F64(100), BiffRecord(0x005E, U16(0))), "100", true);
        const QByteArray stringResult = QByteArray(6, '\0') + "\xFF\xFF";
        row("xls, a text result", xls(0, stringResult, BiffRecord(0x0207, BiffString(QStringLiteral("abc")))),
            "abc", false);
        row("xls, a text result missing", xls(0, stringResult), "", true);
        row("xls, a formula record of the least length",
            MakeXls(BiffRecord(0x0203, BiffCell(2, 5) + F64(10)) +
                    BiffRecord(0x0203, BiffCell(2, 6) + F64(10)) +
                    BiffRecord(0x0006, BiffCell(2, 7) + F64(100) + U16(0))),
            "100", false);
        row("xls, a text result not next to its formula",
            xls(0, stringResult,
                BiffRecord(0x0203, BiffCell(3, 1) + F64(1)) +
                    BiffRecord(0x0207, BiffString(QStringLiteral("abc")))),
            "", true);
        const auto ods = [](const QByteArray& g2) {
            return MakeOds(
                R"(<table:table table:name="Sheet1"><table:table-row/><table:table-row><table:table-cell table:number-columns-repeated="4"/>)"
                R"(<table:table-cell office:value-type="float" office:value="10" table:number-columns-repeated="2"/>)"
                R"(<table:table-cell table:formula="of:=[.E2]*[.F2]")" +
                g2 + "</table:table-cell></table:table-row></table:table>");
        };
        row("ods, a cached result", ods(R"( office:value-type="float" office:value="100">)"), "100", false);
        row("ods, no result", ods(">"), "", true);
        row("ods, a text result", ods("><text:p>abc</text:p>"), "abc", false);
    }
    void uncomputedFormulas() {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(bool, uncomputed);
        std::unique_ptr<Worksheet> sheet = openWorkbookData(file)->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(2, 7), text);
        QCOMPARE(sheet->isUncomputedFormula(2, 7), uncomputed);
        QCOMPARE(sheet->cellText(2, 5), QStringLiteral("10"));
        QCOMPARE(sheet->isUncomputedFormula(2, 5), false);
        QCOMPARE(sheet->isUncomputedFormula(1, 7), false);
    }

    void csvSheet() {
        const QByteArray bytes = "a\n\n \nb,c\n" + QByteArray("\n").repeated(1048576) + "past the last row";
        std::unique_ptr<Workbook> book = openWorkbookData(bytes, QStringLiteral("TXT"));
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("Sheet1")));
        std::unique_ptr<Worksheet> sheet = book->worksheet({});
        QCOMPARE(sheet->nextRowWithData(0, {1}), 1);
        QCOMPARE(sheet->nextRowWithData(1, {1, 2}), 4);
        QCOMPARE(sheet->nextRowWithData(1, {2}), 4);
        QCOMPARE(sheet->nextRowWithData(4, {1, 2}), 0);
        QCOMPARE(sheet->cellText(4, 2), QStringLiteral("c"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("a"));
        QCOMPARE(ErrorNumber([&] { sheet->cellText(1048577, 1); }), kErrorCellOutOfRange);
    }
};

QTEST_GUILESS_MAIN(TestWorkbookFixtures)
#include "test_workbook_fixtures.moc"
