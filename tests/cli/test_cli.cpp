// velmora-cli as a script runs it: what import prints, and what render writes or refuses, on a small
// batch written as CSV.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "cli_run.h"
#include "pdf_words.h"

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString batch_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

private Q_SLOTS:
    void initTestCase() {
        batch_ = path(QStringLiteral("batch.csv"));
        QFile file(batch_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "姓名,邮编,地址,金额\n"
            "张三,100080,北京,\"1,200\"\n"
            "李四,10008,上海,12.5\n"
            ",,,\n"
            "王五,200032,\"广州\x1b[31m\",壹仟元\n"
            "赵六,510640,深圳\xe2\x80\xa8南山,30\n");
    }

    // Rows as tab-separated lines, blank rows up to the fifth, control characters escaped; --summary
    // gives the totals instead.
    void import() {
        const CliRun run = runCli({QStringLiteral("import"), batch_});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 9);
        QCOMPARE(run.lines[0], QStringLiteral("1\t张三\t北京\t100080\t1,200"));
        QCOMPARE(run.lines[3], QStringLiteral("4\t王五\t广州\\x1B[31m\t200032\t壹仟元"));
        QCOMPARE(run.lines[4], QStringLiteral("5\t赵六\t深圳\\u2028南山\t510640\t30"));
        QCOMPARE(run.lines[8], QStringLiteral("9\t\t\t\t"));
        const CliRun summary = runCli({QStringLiteral("import"), batch_, QStringLiteral("--summary")});
        QCOMPARE(summary.lines, QStringList{"共 4 个汇款单，合计 ￥1,230.00，2 个不能打印"});
    }

    // A batch with records that cannot be printed writes nothing and lists them, unless told to print
    // the others only.
    void renderBatch() {
        const QString out = path(QStringLiteral("batch.pdf"));
        const CliRun refused = runCli({"render", "--batch", batch_, "--pdf", out, "--x", "10", "--y", "10"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.err.contains(
            QStringLiteral("第 2 个汇款单（收款人：李四）不能打印：收款人邮编“10008”不是六位数字")));
        QVERIFY(refused.err.contains(
            QStringLiteral("第 4 个汇款单（收款人：王五）不能打印：汇款金额“壹仟元”不是数字")));
        QVERIFY(!QFile::exists(out));
        const CliRun skipped =
            runCli({"render", "--batch", batch_, "--pdf", out, "--x", "10", "--y", "10", "--skip-invalid"});
        QCOMPARE(skipped.exitCode, 0);
        const std::vector<PdfPage> pages = pdfWords(out);
        QCOMPARE(pages.size(), std::size_t(2));
        QCOMPARE(QFile::permissions(out) & 0x0077, QFileDevice::Permissions());
    }

    // One form from the options, normalised as the amount box normalises it: 100 prints as 100.00.
    void renderNormalises() {
        const QString out = path(QStringLiteral("one.pdf"));
        const CliRun run =
            runCli({"render", "--pdf", out, "--text", "0=张三", "--text", "6=100", "--x", "10", "--y", "10"});
        QCOMPARE(run.exitCode, 0);
        QStringList figures;
        const std::vector<PdfPage> pages = pdfWords(out);
        QCOMPARE(pages.size(), std::size_t(1));
        for (const PdfWord& word : pages[0]) {
            if (word.yMin > 110 && word.yMin < 120) {
                figures << word.text;
            }
        }
        QCOMPARE(figures.join(QString()), QStringLiteral("￥10000"));
    }

    // Refusals that leave an earlier file as it was: an amount that is no number, a device, the
    // workbook itself as the output.
    void renderRefuses_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("amount") << QStringList{"--pdf", "OLD", "--text", "6=abc"} << "汇款金额“abc”不是数字";
        QTest::newRow("device") << QStringList{"--pdf", "/dev/full", "--text", "6=1"} << "/dev/full";
        QTest::newRow("workbook") << QStringList{"--pdf", "BATCH", "--batch", "BATCH", "--skip-invalid"}
                                  << "不能把汇款单写入正在读取的工作簿";
    }
    void renderRefuses() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString old = path(QStringLiteral("old.pdf"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
        file.close();
        const QByteArray workbook = contents(batch_);
        arguments.replaceInStrings(QStringLiteral("OLD"), old)
            .replaceInStrings(QStringLiteral("BATCH"), batch_);
        const CliRun run = runCli(QStringList{QStringLiteral("render")} + arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(contents(old), QByteArray("earlier"));
        QCOMPARE(contents(batch_), workbook);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown option") << QStringList{"render", "--pdf", "a.pdf", "--colour"};
        QTest::newRow("box 9") << QStringList{"render", "--pdf", "a.pdf", "--text", "9=x"};
        QTest::newRow("x alone") << QStringList{"render", "--pdf", "a.pdf", "--x", "10"};
        QTest::newRow("x out of range") << QStringList{"render", "--pdf", "a.pdf", "--x", "31", "--y", "1"};
        QTest::newRow("sheet without batch") << QStringList{"render", "--pdf", "a.pdf", "--sheet", "s"};
        QTest::newRow("pdf and printer") << QStringList{"render", "--pdf", "a.pdf", "--printer", "p"};
        QTest::newRow("bad columns") << QStringList{"import", "a.csv", "--columns", "A,B"};
        QTest::newRow("bad first row") << QStringList{"import", "a.csv", "--first-row", "40000"};
        QTest::newRow("bad rule") << QStringList{"import", "a.csv", "--clean", "4"};
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        QCOMPARE(runCli(arguments).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
