// velmora-cli as a script runs it: what import prints, and what render writes or refuses, on a small
// batch written as CSV; a link planted by another user, and many runs starting a journal at once.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cases.h"
#include "cli_run.h"
#include "pdf_words.h"

using namespace velmora::test;

#ifndef Q_OS_WIN
// Two users of no name, for the link planted by one in the other's way.
constexpr uid_t kUserA = 61001;
constexpr uid_t kUserB = 61002;
#endif

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString batch_;

    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        batch_ = path(QStringLiteral("batch.csv"));
        QVERIFY(WriteFile(batch_,
                          "姓名,邮编,地址,金额\n"
                          "张三,100080,北京,\"1,200\"\n"
                          "李四,10008,上海,12.5\n"
                          ",,,\n"
                          "王五,200032,\"广州\x1b[31m\",壹仟元\n"
                          "赵六,510640,深圳\xe2\x80\xa8南山,30\n"));
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
        QCOMPARE(summary.lines, QStringList{"共 4 个汇款单，合计 ￥1,242.50，1 个不能打印"});
    }

    // A batch with records that cannot be printed writes nothing and lists them, unless told to print
    // the others only.
    void renderBatch() {
        const QString out = path(QStringLiteral("batch.pdf"));
        const CliRun refused = runCli({"render", "--batch", batch_, "--pdf", out, "--x", "10", "--y", "10"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.err.contains(
            QStringLiteral("第 2 个汇款单（收款人：李四）请注意：收款人邮编“10008”不是六位数字")));
        QVERIFY(refused.err.contains(
            QStringLiteral("第 4 个汇款单（收款人：王五）不能打印：汇款金额“壹仟元”不是数字")));
        QVERIFY(!QFile::exists(out));
        const CliRun skipped =
            runCli({"render", "--batch", batch_, "--pdf", out, "--x", "10", "--y", "10", "--skip-invalid"});
        QCOMPARE(skipped.exitCode, 0);
        const std::vector<PdfPage> pages = pdfWords(out);
        QCOMPARE(pages.size(), std::size_t(3));
#ifndef Q_OS_WIN  // on Windows the user's files are private through the profile's ACLs
        QCOMPARE(QFile::permissions(out) & 0x0077, QFileDevice::Permissions());
#endif
        // The journal holds them as sent: again only with --reprint.
        const QString again = path(QStringLiteral("again.pdf"));
        const CliRun twice =
            runCli({"render", "--batch", batch_, "--pdf", again, "--x", "10", "--y", "10", "--skip-invalid"});
        QCOMPARE(twice.exitCode, 1);
        QVERIFY(twice.err.contains(QStringLiteral("3 个汇款单已经打印过")));
        QVERIFY(!QFile::exists(again));
        QCOMPARE(runCli({"render", "--batch", batch_, "--pdf", again, "--x", "10", "--y", "10",
                         "--skip-invalid", "--reprint"})
                     .exitCode,
                 0);
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
        QCOMPARE(figures, (QStringList{"￥", "1", "0", "0", "0", "0"}));
    }

    // Refusals that leave an earlier file as it was: an amount that is no number, a device, the
    // workbook itself as the output.
    void renderRefuses_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("amount") << QStringList{"--pdf", "OLD", "--text", "6=abc"} << "汇款金额“abc”不是数字";
        QTest::newRow("device") << QStringList{"--pdf", "/dev/full", "--text", "6=1"} << "/dev/full";
        QTest::newRow("workbook") << QStringList{"--pdf", "BATCH", "--batch", "BATCH", "--skip-invalid"}
                                  << "不能写入正在读取的工作簿";
        QTest::newRow("journal") << QStringList{"--pdf", "JOURNAL", "--text", "6=1"}
                                 << "它是 Velmora 的打印记录";
        QTest::newRow("settings") << QStringList{"--pdf", "SETTINGS", "--text", "6=1"}
                                  << "它是 Velmora 的设置文件";
        QTest::newRow("link") << QStringList{"--pdf", "LINK", "--text", "6=1"} << "它是一个符号链接";
    }
    void renderRefuses() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString old = path(QStringLiteral("old.pdf"));
        QVERIFY(WriteFile(old, "earlier"));
        const QByteArray workbook = Contents(batch_);
#ifdef Q_OS_WIN
        const QByteArray tag(QTest::currentDataTag());
        if (tag == "device" || tag == "link" || tag == "settings") {
            QSKIP("no /dev/full or symbolic links on Windows, and the settings are in the registry");
        }
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
#endif
        const QString journal = data + QStringLiteral("/Velmora/journal.sqlite");
        const QString settings =
            qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Velmora/Velmora.conf");
        QDir().mkpath(QFileInfo(settings).path());
        QFile(settings).open(QIODevice::Append);
        QFile::link(old, path(QStringLiteral("link.pdf")));
        const QByteArray kept = Contents(journal) + Contents(settings);
        arguments.replaceInStrings(QStringLiteral("OLD"), old)
            .replaceInStrings(QStringLiteral("BATCH"), batch_)
            .replaceInStrings(QStringLiteral("JOURNAL"), journal)
            .replaceInStrings(QStringLiteral("SETTINGS"), settings)
            .replaceInStrings(QStringLiteral("LINK"), path(QStringLiteral("link.pdf")));
        const CliRun run = runCli(QStringList{QStringLiteral("render")} + arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(Contents(old), QByteArray("earlier"));
        QCOMPARE(Contents(batch_), workbook);
        // A form refused is not recorded; one that could not be written is, as not printed.
        if (QByteArray(QTest::currentDataTag()) != "device" &&
            QByteArray(QTest::currentDataTag()) != "link") {
            QCOMPARE(Contents(journal) + Contents(settings), kept);
        }
    }

    // cli-bad-arguments.txt: command lines refused as misused.
    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QFile cases(qEnvironmentVariable("VELMORA_SOURCE_DIR") +
                    QStringLiteral("/tests/data/cli-bad-arguments.txt"));
        QVERIFY(cases.open(QIODevice::ReadOnly));
        for (const QString& line : QString::fromUtf8(cases.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            if (!line.startsWith(u'#')) {
                QTest::newRow(qPrintable(line.section(u'\t', 0, 0))) << line.split(u'\t').mid(1);
            }
        }
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        QCOMPARE(runCli(arguments).exitCode, 2);
    }

    // User B links forms.pdf in a sticky, world-writable folder to user A's file; A's render to it is
    // refused and A's file stays as it was.
    void linkPlantedByAnotherUser() {
#ifdef Q_OS_WIN
        QSKIP("POSIX users and symbolic links");
#else
        if (geteuid() != 0) {
            QSKIP("acting as two users needs root");
        }
        QTemporaryDir base;
        const QString shared = base.filePath(QStringLiteral("shared"));
        const QString home = base.filePath(QStringLiteral("a"));
        const QString thesis = home + QStringLiteral("/thesis.txt");
        const QString cli = base.filePath(QStringLiteral("velmora-cli"));
        QVERIFY(QDir().mkdir(shared) && QDir().mkdir(home) && QFile::copy(QStringLiteral(VELMORA_CLI), cli));
        QVERIFY(WriteFile(thesis, "thesis"));
        QVERIFY(::chmod(QFile::encodeName(base.path()), 0755) == 0 &&
                ::chmod(QFile::encodeName(shared), 01777) == 0 && ::chmod(QFile::encodeName(cli), 0755) == 0);
        for (const QString& mine : {home, thesis}) {
            QVERIFY(::chown(QFile::encodeName(mine), kUserA, kUserA) == 0);
        }
        const auto as = [&](uid_t user, const QString& program, const QStringList& arguments) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
                environment.insert(QString::fromLatin1(name), home);
            }
            environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=%1").arg(user),
                                                                 QStringLiteral("--regid=%1").arg(user),
                                                                 QStringLiteral("--clear-groups"), program} +
                                                         arguments);
            process.waitForFinished(60000);
            return std::pair(process.exitCode(), QString::fromUtf8(process.readAllStandardError()));
        };
        const QString forms = shared + QStringLiteral("/forms.pdf");
        QCOMPARE(as(kUserB, QStringLiteral("ln"), {QStringLiteral("-s"), thesis, forms}).first, 0);
        const auto [code, err] = as(kUserA, cli,
                                    {"render", "--pdf", forms, "--text", "0=张三", "--text", "6=100", "--x",
                                     "10", "--y", "10", "--no-journal"});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QStringLiteral("不能写入“%1”：它是一个符号链接").arg(forms)), qPrintable(err));
        QCOMPARE(Contents(thesis), QByteArray("thesis"));
        QVERIFY(QFileInfo(forms).isSymLink());
#endif
    }

    // Sixteen renders started together on a journal not yet there, twenty times over (five under Wine): every
    // form is recorded exactly once. (Windows keeps the journal in AppData whatever XDG_DATA_HOME says: there
    // the rows a round adds are counted.)
    void concurrentFirstUse() {
        const int rounds =
            QSysInfo::productType() == QLatin1String("windows") ? 5 : 20;  // Wine starts slowly
        for (int round = 0; round < rounds; ++round) {
            QTemporaryDir data;
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::number(round));
#ifdef Q_OS_WIN
            db.setDatabaseName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                               QStringLiteral("/Velmora/journal.sqlite"));
#else
            db.setDatabaseName(data.filePath(QStringLiteral("Velmora/journal.sqlite")));
#endif
            const auto rowsAfter = [&](qint64 row) {
                QSqlQuery query(
                    QStringLiteral("SELECT count(*), count(DISTINCT payee), max(rowid) FROM prints "
                                   "WHERE rowid > %1")
                        .arg(row),
                    db);
                return query.next() ? std::array{query.value(0).toLongLong(), query.value(1).toLongLong(),
                                                 query.value(2).toLongLong()}
                                    : std::array<qint64, 3>{-1, -1, -1};
            };
            const qint64 last = QFile::exists(db.databaseName()) && db.open() ? rowsAfter(0)[2] : 0;
            std::vector<std::unique_ptr<QProcess>> runs;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
            for (int i = 0; i < 16; ++i) {
                runs.push_back(std::make_unique<QProcess>());
                runs.back()->setProcessEnvironment(environment);
                // Wine now and then fails to start one of many programs at once: that one starts again.
                bool started = false;
                for (int attempt = 0; attempt < 3 && !started; ++attempt) {
                    runs.back()->start(
                        QStringLiteral(VELMORA_CLI),
                        {"render", "--pdf", data.filePath(QStringLiteral("%1.pdf").arg(i)), "--text",
                         QStringLiteral("0=收款人%1").arg(i), "--text", "6=1", "--x", "10", "--y", "10"});
                    started = runs.back()->waitForStarted(60000);
                }
            }
            for (const auto& run : runs) {
                QVERIFY2(run->waitForFinished(120000), qPrintable(run->errorString()));
                QCOMPARE(run->exitCode(), 0);
                QCOMPARE(QString::fromUtf8(run->readAllStandardError()), QString());
            }
            QVERIFY(db.isOpen() || db.open());
            const std::array<qint64, 3> added = rowsAfter(last);
            QCOMPARE((std::pair{added[0], added[1]}), (std::pair<qint64, qint64>{16, 16}));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
