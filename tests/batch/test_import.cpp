#include <QTest>

#include "app/app_state.h"
#include "batch/fake_workbook.h"
#include "batch/import.h"
#include "support/test_services.h"

using namespace velmora;
using namespace Qt::StringLiterals;
using velmora::test::FakeSheetData;
using velmora::test::FakeWorkbookOpener;

namespace {

using Columns = std::array<std::int16_t, 4>;
constexpr Columns kDefaultColumns{1, 3, 2, 4};

}  // namespace

Q_DECLARE_METATYPE(Columns)

namespace {

// Rows as "name|address|postcode|amount", one string a row, for compact tables.
void fillRows(Grid& grid, const QStringList& rows) {
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(QLatin1Char('|'));
        for (int c = 0; c < 4; ++c) {
            grid.setText(i + 1, c + 1, cells.value(c));
        }
    }
}

QStringList gridRows(const Grid& grid, int count) {
    QStringList rows;
    for (int i = 1; i <= count; ++i) {
        QStringList cells;
        for (int c = 1; c <= 4; ++c) {
            cells << grid.text(i, c);
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

MemoryGrid batchGrid() {
    return MemoryGrid(501, 5);
}

}  // namespace

class TestImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetAppState(); }

    void columnNumber_data() {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("expected");
        QTest::newRow("A") << "A" << 1;
        QTest::newRow("Z") << "Z" << 26;
        QTest::newRow("AA") << "AA" << 27;
        QTest::newRow("AB") << "AB" << 28;
        QTest::newRow("AZ") << "AZ" << 52;
        QTest::newRow("IV") << "IV" << 256;
        QTest::newRow("ZZ") << "ZZ" << 702;
        QTest::newRow("blanks around") << " B " << 2;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blanks only") << "   " << 0;
        QTest::newRow("three letters") << "ABC" << 0;
        QTest::newRow("small a") << "a" << 33;
        QTest::newRow("Chinese") << "列" << 0;
        QTest::newRow("tab is not trimmed") << "\tA" << ((9 - 64) * 26 + 1);
    }
    void columnNumber() {
        QFETCH(QString, letters);
        QFETCH(int, expected);
        QCOMPARE(int(ColumnNumber(letters)), expected);
    }

    void clearCells_data() {
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<int>("firstCol");
        QTest::addColumn<int>("lastCol");
        QTest::newRow("whole data area") << 1 << 500 << 1 << 4;
        QTest::newRow("bounds beyond the data area") << 499 << 600 << 3 << 9;
        QTest::newRow("one row") << 7 << 7 << 1 << 4;
        QTest::newRow("empty range") << 9 << 8 << 1 << 4;
        QTest::newRow("empty column range") << 1 << 500 << 4 << 3;
    }
    void clearCells() {
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        QFETCH(int, firstCol);
        QFETCH(int, lastCol);
        // A grid larger than the batch grid shows that the bounds, not the grid, stop the blanking.
        MemoryGrid grid(600, 8);
        for (int r = 0; r < 600; ++r) {
            for (int c = 0; c < 8; ++c) {
                grid.setText(r, c, QStringLiteral("x"));
            }
        }
        ClearCells(grid, firstRow, lastRow, firstCol, lastCol);
        for (int r = 0; r < 600; ++r) {
            for (int c = 0; c < 8; ++c) {
                const bool blanked = r >= firstRow && r <= std::min(lastRow, 500) && c >= firstCol &&
                                     c <= std::min(lastCol, 4);
                QCOMPARE(grid.text(r, c).isEmpty(), blanked);
            }
        }
    }

    void hundredRowsThenNothing() {
        FakeWorkbookOpener fake;
        for (int r = 2; r <= 101; ++r) {
            fake.sheet().setRecord(r, QStringLiteral("收款人%1").arg(r),
                                   QStringLiteral("北京市海淀区%1号").arg(r), QStringLiteral("100080"),
                                   QStringLiteral("12.5"));
        }
        MemoryGrid grid = batchGrid();
        const ImportOutcome outcome = ReadWorkbook(grid, "a.xlsx", "sheet1", 1, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(int(appState().RowCount), 105);
        QCOMPARE(outcome.rowsRead, 105);
        QCOMPARE(grid.text(1, 1), QStringLiteral("收款人2"));
        QCOMPARE(grid.text(100, 2), QStringLiteral("北京市海淀区101号"));
        QCOMPARE(grid.text(100, 3), QStringLiteral("100080"));
        QCOMPARE(grid.text(100, 4), QStringLiteral("12.5"));
        QVERIFY(grid.text(101, 1).isEmpty());
        QCOMPARE(fake.data.cellsRead, 105 * 4);
        QCOMPARE(fake.data.lastRowRead, 106);
        QCOMPARE(outcome.unreadRow, 0);
        QVERIFY(UnreadDataNotice(outcome).isEmpty());
        QCOMPARE(HandOverCount(grid), 100);
    }

    void scatteredBlankRowsStopAfterTheFifth() {
        FakeWorkbookOpener fake;
        const QList<int> blankGridRows{3, 10, 20, 30, 40};
        for (int i = 1; i <= 200; ++i) {
            if (!blankGridRows.contains(i)) {
                fake.sheet().setRecord(i + 1, QStringLiteral("P%1").arg(i), "addr", "100000", "1");
            }
        }
        MemoryGrid grid = batchGrid();
        appState().RowCount = 1;
        const ImportOutcome outcome = ReadWorkbook(grid, "a.xlsx", "Sheet1", 1, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(int(appState().RowCount), 40);
        QCOMPARE(fake.data.lastRowRead, 41);
        QCOMPARE(grid.text(39, 1), QStringLiteral("P39"));
        QVERIFY(grid.text(41, 1).isEmpty());
        QVERIFY(outcome.stoppedAtBlankRows);
        // Sheet row 42 holds grid row 41's data: the operator is told where reading left off.
        QCOMPARE(outcome.unreadRow, 42);
        const QString notice = UnreadDataNotice(outcome);
        QVERIFY2(notice.contains(QStringLiteral("40 行")), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("第 42 行")), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("第 2～41 行")), qPrintable(notice));
    }

    void blanksAreTrimmedAndBlankOnlyRowsAreBlank() {
        FakeWorkbookOpener fake;
        FakeSheetData& sheet = fake.sheet();
        sheet.setRecord(2, "  张三  ", "\u3000上海市 ", " 200000", "\t5 ");
        for (int r = 3; r <= 7; ++r) {
            sheet.setRecord(r, "   ", " ", "", "  ");
        }
        sheet.setRecord(8, "李四", "", "", "");
        MemoryGrid grid = batchGrid();
        const ImportOutcome outcome = ReadWorkbook(grid, "a.xlsx", "Sheet1", 1, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(int(appState().RowCount), 6);
        QCOMPARE(gridRows(grid, 2), (QStringList{"张三|\u3000上海市|200000|\t5", "|||"}));
        QCOMPARE(outcome.unreadRow, 8);
    }

    void fiveHundredRowsAtMost() {
        FakeWorkbookOpener fake;
        for (int r = 1; r <= 700; ++r) {
            fake.sheet().setRecord(r, QStringLiteral("P%1").arg(r), "a", "100000", "1");
        }
        MemoryGrid grid = batchGrid();
        const ImportOutcome outcome = ReadWorkbook(grid, "a.xlsx", "sheet1", 0, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(int(appState().RowCount), 500);
        QCOMPARE(grid.text(500, 1), QStringLiteral("P500"));
        QCOMPARE(fake.data.cellsRead, 2000);
        QVERIFY(!outcome.stoppedAtBlankRows);
        QCOMPARE(outcome.unreadRow, 501);
        QVERIFY(UnreadDataNotice(outcome).contains(QStringLiteral("500")));
    }

    void failures_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("offset");
        QTest::addColumn<Columns>("columns");
        QTest::addColumn<int>("openError");
        QTest::addColumn<int>("expectedError");
        QTest::addColumn<QString>("expectedMessage");
        QTest::addColumn<QStringList>("expectedFirstRows");
        QTest::addColumn<int>("expectedRowCount");
        const QString columnMessage = QStringLiteral("输入表格列号超界，请重新输入！");
        const QString typeMessage = QStringLiteral("文件类型不对，请选择Excel文档！");
        const QStringList blank{"|||", "|||"};
        QTest::newRow("row 0") << "Sheet1" << -1 << kDefaultColumns << 0 << 1004 << columnMessage << blank
                               << 7;
        QTest::newRow("payee column 0")
            << "Sheet1" << 1 << Columns{0, 3, 2, 4} << 0 << 1004 << columnMessage << blank << 7;
        // The payee and the address are written before the postcode's column fails.
        QTest::newRow("postcode column 0") << "Sheet1" << 1 << Columns{1, 3, 0, 4} << 0 << 1004
                                           << columnMessage << QStringList{"P2|A2||", "|||"} << 7;
        QTest::newRow("column past the last") << "Sheet1" << 1 << Columns{1, 3, 2, 16385} << 0 << 1004
                                              << columnMessage << QStringList{"P2|A2|C2|", "|||"} << 7;
        QTest::newRow("wrong sheet") << "Sheet9" << 1 << kDefaultColumns << 0 << 9
                                     << QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！")
                                     << blank << 7;
        QTest::newRow("digits name a sheet, never a position")
            << "1" << 1 << kDefaultColumns << 0 << 9
            << QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！") << blank << 7;
        QTest::newRow("no workbook at the path")
            << "Sheet1" << 1 << kDefaultColumns << 5 << 5
            << QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！") << blank << 7;
        QTest::newRow("not a workbook")
            << "Sheet1" << 1 << kDefaultColumns << 432 << 432 << typeMessage << blank << 7;
        QTest::newRow("no worksheets")
            << "Sheet1" << 1 << kDefaultColumns << 438 << 438 << typeMessage << blank << 7;
        QTest::newRow("other number")
            << "Sheet1" << 1 << kDefaultColumns << 429 << 429
            << QStringLiteral("未知错误，错误号： 429\u3000请检查输入值！") << blank << 7;
        QTest::newRow("negative number")
            << "Sheet1" << 1 << kDefaultColumns << -5 << -5
            << QStringLiteral("未知错误，错误号：-5\u3000请检查输入值！") << blank << 7;
        QTest::newRow("number beyond 16 bits")
            << "Sheet1" << 1 << kDefaultColumns << 70000 << 32767
            << QStringLiteral("未知错误，错误号： 70000\u3000请检查输入值！") << blank << 7;
        QTest::newRow("row number overflow")
            << "Sheet1" << 32767 << kDefaultColumns << 0 << 6
            << QStringLiteral("未知错误，错误号： 6\u3000请检查输入值！") << blank << 7;
    }
    void failures() {
        QFETCH(QString, sheet);
        QFETCH(int, offset);
        QFETCH(Columns, columns);
        QFETCH(int, openError);
        QFETCH(int, expectedError);
        QFETCH(QString, expectedMessage);
        QFETCH(QStringList, expectedFirstRows);
        QFETCH(int, expectedRowCount);
        test::TestServices services;
        FakeWorkbookOpener fake;
        fake.sheet().maxRow = 1048576;
        fake.sheet().maxColumn = 16384;
        for (int r = 1; r <= 10; ++r) {
            fake.sheet().setRecord(r, QStringLiteral("P%1").arg(r), QStringLiteral("A%1").arg(r),
                                   QStringLiteral("C%1").arg(r), "1");
        }
        if (openError != 0) {
            fake.data.openError = openError;
        }
        MemoryGrid grid = batchGrid();
        fillRows(grid, {"old|old|old|old", "old|old|old|old"});
        grid.setText(0, 1, QStringLiteral("收款人"));
        grid.setText(1, 0, QStringLiteral("1"));
        appState().RowCount = 7;  // an earlier import's count survives a failure on the first row
        const std::int16_t result =
            ImportWorkbook(grid, "book.xlsx", sheet, static_cast<std::int16_t>(offset), columns);
        QCOMPARE(int(result), expectedError);
        QCOMPARE(services.dialogs.messages(), QStringList{expectedMessage});
        const auto& call = services.dialogs.calls.front();
        QVERIFY(call.title.isEmpty());  // the application title
        QCOMPARE(call.icon, MessageIcon::None);
        QCOMPARE(gridRows(grid, 2), expectedFirstRows);
        QCOMPARE(int(appState().RowCount), expectedRowCount);
        // The headings and row numbers are outside the data area.
        QCOMPARE(grid.text(0, 1), QStringLiteral("收款人"));
        QCOMPARE(grid.text(1, 0), QStringLiteral("1"));
    }

    void cellsReadBeforeAFailureStay() {
        test::TestServices services;
        FakeWorkbookOpener fake;
        for (int r = 2; r <= 20; ++r) {
            fake.sheet().setRecord(r, QStringLiteral("P%1").arg(r), "a", "100000", "1");
        }
        fake.sheet().brokenFromRow = 8;
        MemoryGrid grid = batchGrid();
        ImportOutcome outcome;
        QCOMPARE(int(ImportWorkbook(grid, "a.xlsx", "Sheet1", 1, kDefaultColumns, nullptr, &outcome)), 432);
        QCOMPARE(int(appState().RowCount), 6);
        QCOMPARE(grid.text(6, 1), QStringLiteral("P7"));
        QVERIFY(grid.text(7, 1).isEmpty());
        QCOMPARE(services.dialogs.messages(), QStringList{QStringLiteral("文件类型不对，请选择Excel文档！")});
        QVERIFY(UnreadDataNotice(outcome).isEmpty());
    }

    void successShowsNoMessage() {
        test::TestServices services;
        FakeWorkbookOpener fake;
        fake.sheet().setRecord(2, "王五", "广州市天河区", "510000", "300");
        MemoryGrid grid = batchGrid();
        QCOMPARE(int(ImportWorkbook(grid, "a.xlsx", "SHEET1", 1, kDefaultColumns)), 0);
        QVERIFY(services.dialogs.calls.empty());
        QCOMPARE(gridRows(grid, 1), QStringList{"王五|广州市天河区|510000|300"});
    }

    void unreadRowsBeyondABrokenPartAreReported() {
        FakeWorkbookOpener fake;
        fake.sheet().setRecord(2, "A", "a", "100000", "1");
        fake.sheet().brokenFromRow = 9;  // rows 3 to 7 are blank; checking further down fails
        MemoryGrid grid = batchGrid();
        const ImportOutcome outcome = ReadWorkbook(grid, "a.xlsx", "Sheet1", 1, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(outcome.unreadRow, -1);
        QVERIFY(UnreadDataNotice(outcome).contains(QStringLiteral("无法读取")));
    }

    // The sample shipped in examples/, through the real readers.
    void sampleWorkbook() {
        const QString path =
            qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/examples/payees.xlsx");
        MemoryGrid grid = batchGrid();
        const ImportOutcome outcome = ReadWorkbook(grid, path, "sheet1", 1, kDefaultColumns);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(int(appState().RowCount), 25);
        QCOMPARE(HandOverCount(grid), 20);
        QCOMPARE(outcome.unreadRow, 0);
        QCOMPARE(gridRows(grid, 1), QStringList{"张伟|北京市海淀区中关村大街27号院3号楼502室|100080|1200"});
        QCOMPARE(gridRows(grid, 2).last(),
                 QStringLiteral("王秀英|上海市徐汇区肇嘉浜路1065号甲21楼|200032|856.5"));
        QCOMPARE(grid.text(11, 3), QStringLiteral("050011"));  // a postcode typed as text keeps its 0
        QCOMPARE(grid.text(20, 4), QStringLiteral("12345.67"));
        for (int r = 1; r <= 20; ++r) {
            for (int c = 3; c <= 4; ++c) {
                QVERIFY2(CellProblem(c, grid.text(r, c), true).isEmpty(), qPrintable(grid.text(r, c)));
            }
        }
    }

    void cleanRows_data() {
        QTest::addColumn<int>("rule");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("amount rule keeps order") << 3 << 3 << QStringList{"P1|a|1|10", "P2|a|2|", "P3|a|3|30"}
                                                 << QStringList{"P1|a|1|10", "P3|a|3|30", "|||"};
        QTest::newRow("name rule") << 0 << 6 << QStringList{"|a1|1|1", "|a2|2|2",   "P3|a3|3|3",
                                                            "|a4|4|4", "P5|a5|5|5", "P6|||"}
                                   << QStringList{"P3|a3|3|3", "P5|a5|5|5", "P6|||", "|||", "|||", "|||"};
        QTest::newRow("address rule") << 1 << 4 << QStringList{"P1||1|1", "P2|a2||", "|||", "P4|a4|4|4"}
                                      << QStringList{"P2|a2||", "P4|a4|4|4", "|||", "|||"};
        QTest::newRow("postcode rule, nothing to drop")
            << 2 << 2 << QStringList{"P1|a|1|1", "P2|a|2|2"} << QStringList{"P1|a|1|1", "P2|a|2|2"};
        QTest::newRow("never past RowCount") << 0 << 1 << QStringList{"P1|a|1|1", "|a2|2|2", "P3|a|3|3"}
                                             << QStringList{"P1|a|1|1", "|a2|2|2", "P3|a|3|3"};
        QTest::newRow("RowCount 1 before an import")
            << 3 << 1 << QStringList{"P1|a|1|", "P2|a|2|"} << QStringList{"|||", "P2|a|2|"};
        QTest::newRow("rule -1 does nothing")
            << -1 << 3 << QStringList{"|a|1|1", "P2|||"} << QStringList{"|a|1|1", "P2|||"};
        QTest::newRow("rule 4 does nothing")
            << 4 << 3 << QStringList{"|a|1|1", "P2|||"} << QStringList{"|a|1|1", "P2|||"};
    }
    void cleanRows() {
        QFETCH(int, rule);
        QFETCH(int, rowCount);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        MemoryGrid grid = batchGrid();
        for (int r = 1; r <= 500; ++r) {
            grid.setText(r, 0, QString::number(r));
        }
        fillRows(grid, before);
        appState().RowCount = static_cast<std::int16_t>(rowCount);
        CleanRows(grid, rule);
        QCOMPARE(gridRows(grid, after.size()), after);
        QCOMPARE(int(appState().RowCount), rowCount);
        for (int r = 1; r <= 500; ++r) {
            QCOMPARE(grid.text(r, 0), QString::number(r));
        }
    }

    void handOver_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("count");
        QTest::newRow("empty grid") << QStringList{} << 0;
        QTest::newRow("trailing amount only is not counted") << QStringList{"P1|a|1|1", "|||5"} << 1;
        QTest::newRow("blank row between is counted") << QStringList{"P1|a|1|1", "|||", "P3|||"} << 3;
        QTest::newRow("postcode alone counts") << QStringList{"P1|a|1|1", "||2|"} << 2;
        QTest::newRow("address alone counts") << QStringList{"|a||"} << 1;
        QTest::newRow("row 500 counts") << (QStringList(499, u"|||"_s) << u"last|||"_s) << 500;
    }
    void handOver() {
        QFETCH(QStringList, rows);
        QFETCH(int, count);
        MemoryGrid grid = batchGrid();
        fillRows(grid, rows);
        QCOMPARE(HandOverCount(grid), count);
    }

    void largeStep_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("step");
        QTest::newRow("100") << 100 << 17;
        QTest::newRow("9 half to even 2") << 9 << 2;
        QTest::newRow("15 half to even 2") << 15 << 2;
        QTest::newRow("21 half to even 4") << 21 << 4;
        QTest::newRow("2 at least 1") << 2 << 1;
        QTest::newRow("0 at least 1") << 0 << 1;
        QTest::newRow("3 half to even 0, at least 1") << 3 << 1;
        QTest::newRow("4") << 4 << 1;
        QTest::newRow("500") << 500 << 83;
    }
    void largeStep() {
        QFETCH(int, count);
        QFETCH(int, step);
        QCOMPARE(LargeStep(count), step);
    }

    void cellProblem_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("recordRow");
        QTest::addColumn<QString>("problemContains");  // "" when the cell prints as entered
        QTest::newRow("name never") << 1 << "" << true << "";
        QTest::newRow("postcode six digits") << 3 << "100080" << true << "";
        QTest::newRow("postcode five digits") << 3 << "10008" << true << "六位数字";
        QTest::newRow("postcode seven digits") << 3 << "1000800" << true << "六位数字";
        QTest::newRow("postcode letters") << 3 << "10008A" << true << "六位数字";
        QTest::newRow("postcode full-width digits") << 3 << "１０００８０" << true << "六位数字";
        QTest::newRow("postcode missing in a record") << 3 << "" << true << "缺少邮编";
        QTest::newRow("postcode missing in a blank row") << 3 << "" << false << "";
        QTest::newRow("amount plain") << 4 << "1200" << true << "";
        QTest::newRow("amount two decimals") << 4 << "12.5" << true << "";
        QTest::newRow("amount trailing zeros") << 4 << "12.500" << true << "";
        QTest::newRow("amount with yuan sign") << 4 << "\uFFE512.50" << true << "";
        QTest::newRow("amount largest") << 4 << "9999999.99" << true << "";
        QTest::newRow("amount too large") << 4 << "10000000" << true << "9999999.99";
        QTest::newRow("amount exponent") << 4 << "1E+15" << true << "9999999.99";
        QTest::newRow("amount negative") << 4 << "-5" << true << "负数";
        QTest::newRow("amount words") << 4 << "五百元" << true << "不是数字：将打印为 \uFFE50.00";
        QTest::newRow("amount thousands separator") << 4 << "1,000" << true << "将打印为 \uFFE51.00";
        QTest::newRow("amount error cell") << 4 << "#N/A" << true << "不是数字";
        QTest::newRow("amount three decimals") << 4 << "33.333" << true << "将打印为 \uFFE533.33";
        QTest::newRow("amount missing in a record") << 4 << "" << true << "缺少金额";
        QTest::newRow("amount missing in a blank row") << 4 << "" << false << "";
    }
    void cellProblem() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(bool, recordRow);
        QFETCH(QString, problemContains);
        const QString problem = CellProblem(column, text, recordRow);
        if (problemContains.isEmpty()) {
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        } else {
            QVERIFY2(problem.contains(problemContains), qPrintable(problem));
        }
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
