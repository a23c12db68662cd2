#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "cli_run.h"
#include "pdf_words.h"

namespace {

const PdfWord* find(const PdfPage& page, const QString& text) {
    for (const PdfWord& word : page) {
        if (word.text == text) {
            return &word;
        }
    }
    return nullptr;
}

}  // namespace

class TestCliRender : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

    void storeCalibration(const QString& x, const QString& y) {
        QSettings settings(QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
        settings.setValue(QStringLiteral("Collate/X"), x);
        settings.setValue(QStringLiteral("Collate/Y"), y);
        settings.sync();
    }

private Q_SLOTS:
    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"print"};
        QTest::newRow("no pdf") << QStringList{"render", "--text", "0=张三"};
        QTest::newRow("pdf without value") << QStringList{"render", "--pdf"};
        QTest::newRow("unknown option") << QStringList{"render", "--pdf", "a.pdf", "--colour", "red"};
        QTest::newRow("text without index") << QStringList{"render", "--pdf", "a.pdf", "--text", "张三"};
        QTest::newRow("text index 9") << QStringList{"render", "--pdf", "a.pdf", "--text", "9=x"};
        QTest::newRow("text twice") << QStringList{"render", "--pdf",  "a.pdf", "--text",
                                                   "1=a",    "--text", "1=b"};
        QTest::newRow("tick not a number") << QStringList{"render", "--pdf", "a.pdf", "--tick", "x"};
        QTest::newRow("tick -1") << QStringList{"render", "--pdf", "a.pdf", "--tick", "-1"};
        QTest::newRow("x without y") << QStringList{"render", "--pdf", "a.pdf", "--x", "10"};
        QTest::newRow("x above 30") << QStringList{"render", "--pdf", "a.pdf", "--x", "30.5", "--y", "10"};
        QTest::newRow("y not a number") << QStringList{"render", "--pdf", "a.pdf", "--x", "10", "--y", "ten"};
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        const CliRun run = runCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains(QStringLiteral("usage:")));
        QVERIFY(!QFile::exists(QStringLiteral("a.pdf")));
    }

    void help() {
        const CliRun run = runCli({"render", "--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QStringLiteral("--pdf OUT.pdf")));
    }

    // --x/--y are calibration distances: 10 prints at the tabulated places, 11.5 moves 1.5 mm left.
    void rendersOneForm_data() {
        QTest::addColumn<QStringList>("calibration");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("shiftX");
        QTest::addColumn<double>("shiftY");
        QTest::newRow("10 and 10") << QStringList{"--x", "10", "--y", "10"} << "" << 0.0 << 0.0;
        QTest::newRow("11.5 and 8") << QStringList{"--x=11.5", "--y=8"} << "" << -1.5 << 2.0;
        QTest::newRow("stored 12 and 10") << QStringList{} << "12" << -2.0 << 0.0;
        QTest::newRow("given beats stored") << QStringList{"--x", "10", "--y", "10"} << "25" << 0.0 << 0.0;
    }
    void rendersOneForm() {
        QFETCH(QStringList, calibration);
        QFETCH(QString, stored);
        QFETCH(double, shiftX);
        QFETCH(double, shiftY);
        storeCalibration(stored, QStringLiteral("10"));
        const QString pdf = dir_.filePath(QStringLiteral("form.pdf"));
        const CliRun run = runCli(QStringList{"render", "--pdf", pdf, "--text", "0=张三", "--text",
                                              "6=\uFFE5123.45", "--text", "4=100080", "--tick", "0"} +
                                  calibration);
        QCOMPARE(run.exitCode, 0);
        const auto pages = pdfWords(pdf);
        QCOMPARE(pages.size(), std::size_t(1));
        const PdfWord* name = find(pages[0], QStringLiteral("张三"));
        QVERIFY(name);
        const double tolerance = 0.2 * 72 / 25.4;
        QVERIFY(std::abs(name->xMin - mmToPoints(39.5 + shiftX)) < tolerance);
        QVERIFY(std::abs(name->yMin - mmToPoints(31 + shiftY)) < tolerance);
        const PdfWord* sign = find(pages[0], QStringLiteral("\uFFE5"));
        QVERIFY(sign);
        if (shiftX == 0) {
            QVERIFY(std::abs(sign->xMin - pixelsToPoints(3889)) < 0.05);
        }
        const PdfWord* tick = find(pages[0], QStringLiteral("\u221A"));
        QVERIFY(tick);
        QVERIFY(std::abs(tick->xMin - mmToPoints(62.5 + shiftX)) < tolerance);
    }

    void failuresExitOne_data() {
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("amount");
        QTest::newRow("unwritable") << "/nonexistent-folder/form.pdf" << QStringLiteral("\uFFE51.00");
        QTest::newRow("amount too large") << "" << QStringLiteral("\uFFE510000000.00");
    }
    void failuresExitOne() {
        QFETCH(QString, pdf);
        QFETCH(QString, amount);
        if (pdf.isEmpty()) {
            pdf = dir_.filePath(QStringLiteral("refused.pdf"));
        }
        const CliRun run =
            runCli({"render", "--pdf", pdf, "--text", "6=" + amount, "--x", "10", "--y", "10"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("velmora-cli render: ")));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_GUILESS_MAIN(TestCliRender)
#include "test_cli_render.moc"
