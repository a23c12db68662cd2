#include <xlsxwriter.h>

#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include "cli_run.h"
#include "pdf_words.h"

namespace {

// Writes an .xlsx with one worksheet; rows[0] is worksheet row 1. A double is stored as a number,
// anything else as text; an invalid QVariant leaves the cell empty.
bool writeWorkbook(const QString& path, const QString& sheet, const QList<QVariantList>& rows) {
    const QByteArray file = path.toLocal8Bit();
    lxw_workbook* workbook = workbook_new(file.constData());
    if (!workbook) {
        return false;
    }
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.toUtf8().constData());
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant& cell = rows[r][c];
            if (cell.typeId() == QMetaType::Double) {
                worksheet_write_number(worksheet, lxw_row_t(r), lxw_col_t(c), cell.toDouble(), nullptr);
            } else if (cell.isValid()) {
                worksheet_write_string(worksheet, lxw_row_t(r), lxw_col_t(c),
                                       cell.toString().toUtf8().constData(), nullptr);
            }
        }
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

QString samplePath() {
    return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/examples/payees.xlsx");
}

}  // namespace

class TestCliImport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void sampleWithDefaults() {
        const CliRun run = runCli({"import", samplePath()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.lines.size(), 25);  // 20 payees and the 5 blank rows that end the reading
        QCOMPARE(run.lines[0],
                 QStringLiteral("1\t张伟\t北京市海淀区中关村大街27号院3号楼502室\t100080\t1200"));
        QCOMPARE(run.lines[10], QStringLiteral("11\t徐丽\t河北省石家庄市长安区中山东路326号\t050011\t1000"));
        QCOMPARE(run.lines[19],
                 QStringLiteral("20\t罗晓东\t重庆市渝中区中山三路131号希尔顿商务中心\t400015\t12345.67"));
        QCOMPARE(run.lines[24], QStringLiteral("25\t\t\t\t"));
    }

    void layoutOptionsAndCleaning_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("defaults: A name, C address, B postcode, D amount")
            << QStringList{} << QStringList{"1\tA1\tC1\tB1\tD1", "2\tA2\tC2\tB2\tD2"};
        QTest::newRow("columns and first row") << QStringList{"--columns", "b,c,d,e", "--first-row", "3"}
                                               << QStringList{"1\tB2\tC2\tD2\t", "2\tB3\tC3\tD3\t7.5"};
        QTest::newRow("clean by name keeps order")
            << QStringList{"--columns=B,C,D,E", "--first-row=2", "--clean", "amount"}
            << QStringList{"1\tB1\tC1\tD1\t100080", "2\tB3\tC3\tD3\t7.5", "3\t\t\t\t"};
        QTest::newRow("clean by number")
            << QStringList{"--columns", "B,C,D,E", "--clean", "3"}
            << QStringList{"1\tB1\tC1\tD1\t100080", "2\tB3\tC3\tD3\t7.5", "3\t\t\t\t"};
    }
    void layoutOptionsAndCleaning() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expected);
        const QString book = path(QStringLiteral("layout.xlsx"));
        QVERIFY(writeWorkbook(book, QStringLiteral("Sheet1"),
                              {{"A0", "B0", "C0", "D0", "E0"},
                               {"A1", "B1", "C1", "D1", 100080.0},
                               {"A2", "B2", "C2", "D2", {}},
                               {"A3", "B3", "C3", "D3", 7.5}}));
        const CliRun run = runCli(QStringList{"import", book} + options);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.mid(0, expected.size()), expected);
    }

    void cellsAreEscapedAndTrimmed() {
        const QString book = path(QStringLiteral("escape.xlsx"));
        QVERIFY(writeWorkbook(book, QStringLiteral("Sheet1"),
                              {{"收款人"}, {"  李\t四  ", "", "北京市\n海淀区\\3号", 1234.5}}));
        const CliRun run = runCli({"import", book});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines[0], QStringLiteral("1\t李\\t四\t北京市\\n海淀区\\\\3号\t\t1234.5"));
    }

    void unreadDataIsReported() {
        const QString book = path(QStringLiteral("gap.xlsx"));
        QList<QVariantList> rows{{"收款人"}, {"P1", 100001.0, "a", 1.0}};
        for (int r = 0; r < 6; ++r) {
            rows.append(QVariantList{});
        }
        rows.append({"P9", 100009.0, "a", 9.0});  // worksheet row 9, after six blank rows
        QVERIFY(writeWorkbook(book, QStringLiteral("Sheet1"), rows));
        const CliRun run = runCli({"import", book});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 6);
        QVERIFY2(run.err.contains(QStringLiteral("第 9 行")), qPrintable(run.err));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such sheet")
            << QStringList{"--sheet", "名单"} << "输入表格名称有误，无法打开表格，请重新输入！";
        QTest::newRow("first row 0") << QStringList{"--first-row", "0"} << "输入表格列号超界，请重新输入！";
        QTest::newRow("empty column")
            << QStringList{"--columns", "A,,B,D"} << "输入表格列号超界，请重新输入！";
        QTest::newRow("missing file")
            << QStringList{"--missing"} << "无法打开Excel文件，请检查后重新输入文件名及路径！";
        QTest::newRow("not a workbook") << QStringList{"--text-file"} << "文件类型不对，请选择Excel文档！";
    }
    void failures() {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QString book = samplePath();
        if (options == QStringList{"--missing"}) {
            book = path(QStringLiteral("nowhere.xlsx"));
            options.clear();
        } else if (options == QStringList{"--text-file"}) {
            book = path(QStringLiteral("notes.xlsx"));
            QFile file(book);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("收款人,地址\n");
            file.close();
            options.clear();
        }
        const CliRun run = runCli(QStringList{"import", book} + options);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.lines.isEmpty());
        QCOMPARE(run.err.trimmed(), message);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no workbook") << QStringList{"import"};
        QTest::newRow("two workbooks") << QStringList{"import", "a.xlsx", "b.xlsx"};
        QTest::newRow("unknown option") << QStringList{"import", "a.xlsx", "--rows", "5"};
        QTest::newRow("sheet without value") << QStringList{"import", "a.xlsx", "--sheet"};
        QTest::newRow("first row not digits") << QStringList{"import", "a.xlsx", "--first-row", "-1"};
        QTest::newRow("first row too large") << QStringList{"import", "a.xlsx", "--first-row", "40000"};
        QTest::newRow("three columns") << QStringList{"import", "a.xlsx", "--columns", "A,B,C"};
        QTest::newRow("three letters") << QStringList{"import", "a.xlsx", "--columns", "A,B,C,ABC"};
        QTest::newRow("digit column") << QStringList{"import", "a.xlsx", "--columns", "A,B,C,4"};
        QTest::newRow("clean rule 4") << QStringList{"import", "a.xlsx", "--clean", "4"};
        QTest::newRow("clean rule word") << QStringList{"import", "a.xlsx", "--clean", "phone"};
        QTest::newRow("sheet twice") << QStringList{"import", "a.xlsx", "--sheet", "a", "--sheet=b"};
        QTest::newRow("import option in render without batch")
            << QStringList{"render", "--pdf", "a.pdf", "--sheet", "Sheet1"};
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        const CliRun run = runCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("usage:")), qPrintable(run.err));
        QVERIFY(run.lines.isEmpty());
    }

    void renderBatch() {
        const QString book = path(QStringLiteral("three.xlsx"));
        QVERIFY(writeWorkbook(book, QStringLiteral("工资"),
                              {{"收款人", "邮编", "地址", "金额"},
                               {"张伟", 100080.0, "北京市海淀区", 1200.0},
                               {"王秀英", "200032", "上海市徐汇区", 856.5},
                               {"李娜", 510640.0, "广州市天河区", 99.9},
                               {QVariant(), QVariant(), QVariant(), 5.0}}));  // an amount alone is no record
        const QString pdf = path(QStringLiteral("three.pdf"));
        const CliRun run =
            runCli({"render", "--pdf", pdf, "--batch", book, "--sheet", "工资", "--text", "1=邮政储蓄代发",
                    "--text", "8=三月工资", "--tick", "3", "--x", "10", "--y", "10"});
        QCOMPARE(run.exitCode, 0);
        const std::vector<PdfPage> pages = pdfWords(pdf);
        QCOMPARE(pages.size(), std::size_t(3));
        const QStringList payees{"张伟", "王秀英", "李娜"};
        const QStringList postcodes{"100080", "200032", "510640"};
        for (int k = 0; k < 3; ++k) {
            QStringList words;
            for (const PdfWord& word : pages[std::size_t(k)]) {
                words << word.text;
            }
            const QString all = words.join(QLatin1Char(' '));
            QVERIFY2(all.contains(payees[k]), qPrintable(all));
            // The postcode's digits are placed one by one, in its six squares.
            QVERIFY2(QString(all).remove(QLatin1Char(' ')).contains(postcodes[k]), qPrintable(all));
            QVERIFY2(all.contains(QStringLiteral("邮政储蓄代发")), qPrintable(all));
            QVERIFY2(all.contains(QStringLiteral("三月工资")), qPrintable(all));
            for (int other = 0; other < 3; ++other) {
                QVERIFY(other == k || !all.contains(payees[other]));
            }
        }
    }

    void renderBatchStopsAtAnAmountThatDoesNotFit() {
        const QString book = path(QStringLiteral("large.xlsx"));
        QVERIFY(writeWorkbook(
            book, QStringLiteral("Sheet1"),
            {{"收款人"}, {"张伟", 100080.0, "北京", 1200.0}, {"王秀英", 200032.0, "上海", 12345678.0}}));
        const QString pdf = path(QStringLiteral("large.pdf"));
        const CliRun run = runCli({"render", "--pdf", pdf, "--batch", book, "--x", "10", "--y", "10"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("第 2 个汇款单")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("王秀英")), qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
    }

    void renderBatchReportsTheImportMessage() {
        const QString pdf = path(QStringLiteral("none.pdf"));
        const CliRun run = runCli({"render", "--pdf", pdf, "--batch", samplePath(), "--sheet", "Sheet9"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！")),
                 qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_GUILESS_MAIN(TestCliImport)
#include "test_cli_import.moc"
