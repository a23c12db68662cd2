// The print journal against real SQLite files (new, damaged, newer, foreign, unwritable), its CSV, and
// the window "打印记录" over the forms the main window prints.

#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>

#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "batch_window.h"
#include "cases.h"
#include "events.h"
#include "fonts.h"
#include "journal_export.h"
#include "journal_window.h"
#include "main_window.h"
#include "settings_store.h"
#include "test_services.h"
#include "window_registry.h"
#include "workbook.h"
#include "zip_archive.h"

using namespace velmora;

namespace {

// A SQLite file made outside the journal: `sql` run on a new database at path.
void makeDatabase(const QString& path, const QStringList& sql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& statement : sql) {
            QVERIFY(query.exec(statement));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

// A file's permission bits on Linux; on Windows a private file's access list lets in only its owner and
// the system.
#ifdef Q_OS_WIN
bool isPrivate(const QString& path) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool tight =
        ::GetNamedSecurityInfoW(QDir::toNativeSeparators(path).toStdWString().c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                &dacl, nullptr, &descriptor) == ERROR_SUCCESS &&
        dacl;
    for (DWORD i = 0; tight && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        tight = ::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
                ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                (::EqualSid(&ace->SidStart, owner) || ::IsWellKnownSid(&ace->SidStart, WinLocalSystemSid));
    }
    ::LocalFree(descriptor);
    return tight;
}
#define COMPARE_MODE(path, bits) QVERIFY(isPrivate(path))
#else
int mode(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
#define COMPARE_MODE(path, bits) QCOMPARE(mode(path), bits)
#endif

// A file of tests/data/journal.
QByteArray data(const QString& name) {
    return test::Contents(qEnvironmentVariable("VELMORA_SOURCE_DIR") +
                          QStringLiteral("/tests/data/journal/") + name);
}

JournalEntry entry(const QString& payee, const QString& amount,
                   JournalOutcome outcome = JournalOutcome::Sent) {
    JournalEntry e;
    e.time = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 5));
    e.destination = QStringLiteral("Counter");
    e.form.text(Field::PayeeName) = payee;
    e.form.text(Field::Amount) = amount;
    e.outcome = outcome;
    return e;
}

}  // namespace

class TestJournal : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestServices> services_;

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }
    void init() { services_ = std::make_unique<test::TestServices>(); }
    void cleanup() {
        WindowRegistry::instance().destroyAll();
        test::settle();
        services_.reset();
    }

    // journal/existing-files.txt: what is already at the journal's path decides: a new file is made private
    // with its folder, and anything else it cannot trust is reported once and left exactly as it was.
    void existingFile_data() { test::AddRows(QStringLiteral("journal/existing-files.txt"), "trouble:s"); }
    void existingFile() {
        QFETCH(QString, trouble);
        const QString kind = QString::fromUtf8(QTest::currentDataTag());
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("data/journal.sqlite"));
        const QString folder = dir.filePath(QStringLiteral("data"));
#ifdef Q_OS_WIN
        if (kind.contains(QLatin1String("link")) || kind.startsWith(QLatin1String("another's"))) {
            QSKIP("POSIX owners and symbolic links");
        }
#else
        if (kind.startsWith(QLatin1String("another's")) && geteuid() != 0) {
            QSKIP("another user's file needs root");
        }
#endif
        if (kind != QLatin1String("none")) {
            QDir().mkpath(kind == QLatin1String("folder link") ? dir.filePath(QStringLiteral("elsewhere"))
                                                               : folder);
        }
#ifndef Q_OS_WIN
        if (kind == QLatin1String("link") || kind.startsWith(QLatin1String("another's")) ||
            kind == QLatin1String("open to others")) {
            QFile other(dir.filePath(QStringLiteral("other")));
            QVERIFY(other.open(QIODevice::WriteOnly));
            QVERIFY(::chmod(QFile::encodeName(other.fileName()), 0644) == 0 &&
                    ::chmod(QFile::encodeName(folder), 0755) == 0);
            QVERIFY(kind == QLatin1String("link") ? other.link(path) : other.rename(path));
            const QString owned = kind == QLatin1String("another's folder") ? folder : path;
            QVERIFY(!kind.startsWith(QLatin1String("another's")) ||
                    ::chown(QFile::encodeName(owned), 61002, 61002) == 0);
        } else if (kind == QLatin1String("folder link")) {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), folder));
        }
#else
        QVERIFY(kind != QLatin1String("open to others") ||
                (QFile(path).open(QIODevice::WriteOnly) && !isPrivate(path)));
#endif
        if (kind == QLatin1String("damaged")) {
            QVERIFY(test::WriteFile(path, QByteArray("SQLite format 3").leftJustified(4096, 'x')));
        } else if (kind == QLatin1String("newer")) {
            makeDatabase(path, {QStringLiteral("CREATE TABLE prints (id INTEGER)"),
                                QStringLiteral("PRAGMA user_version = 3")});
        } else if (kind == QLatin1String("foreign")) {
            makeDatabase(path, {QStringLiteral("CREATE TABLE accounts (id INTEGER)")});
        } else if (kind == QLatin1String("folder")) {
            QDir().mkpath(path);
        } else if (kind == QLatin1String("no folder")) {
            QVERIFY(test::WriteFile(dir.filePath(QStringLiteral("file")), {}));
            path = dir.filePath(QStringLiteral("file/journal.sqlite"));
        }
        const QByteArray before = test::Contents(path);
        PrintJournal journal(path);
        JournalEntry written =
            entry(QStringLiteral("张三"), QStringLiteral("￥12.50"), JournalOutcome::Failed);
        written.reason = QStringLiteral("缺纸");
        written.form.check(Tick::Urgent) = CheckValue::Ticked;
        written.form.check(Tick::Account) = CheckValue::Greyed;
        QCOMPARE(journal.record(written), trouble.isEmpty());
        QVERIFY(journal.trouble().contains(trouble));
        QCOMPARE(journal.takeTrouble().isEmpty(), trouble.isEmpty());
        QCOMPARE(journal.takeTrouble(), QString());  // told once
        if (!trouble.isEmpty()) {
            QCOMPARE(test::Contents(path), before);
            // Once the folder can be made, the journal is written and the trouble is over.
            QVERIFY(kind != QLatin1String("no folder") ||
                    (QFile::remove(dir.filePath(QStringLiteral("file"))) && journal.record(written) &&
                     journal.trouble().isEmpty()));
            return;
        }
        const auto read = journal.entriesOn(QDate(2026, 12, 7));
        QCOMPARE(read.size(), std::size_t(1));
        QCOMPARE(read[0].form, written.form);
        QCOMPARE(read[0].time, written.time);
        QCOMPARE(read[0].outcome, JournalOutcome::Failed);
        QCOMPARE(read[0].reason, QStringLiteral("缺纸"));
        QCOMPARE(journal.days(), std::vector<QDate>{QDate(2026, 12, 7)});
        COMPARE_MODE(dir.filePath(QStringLiteral("data")), 0700);
        COMPARE_MODE(path, 0600);
    }

    // The settings file is its user's alone: its folder 0700, the file 0600 after every save, also one
    // left open before; a link at its name is never written through.
    void settingsFile() {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the settings in the registry");
#else
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config"));
        const QString file = folder + QStringLiteral("/Velmora.conf");
        QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder), 0755) == 0);
        QVERIFY(test::WriteFile(file, {}) && QFile::setPermissions(file, QFileDevice::Permissions(0x6644)));
        QSettingsStore(file).save(QStringLiteral("Velmora"), QStringLiteral("Collate"), QStringLiteral("X"),
                                  QStringLiteral("12"));
        QCOMPARE(QSettingsStore(file).get(QStringLiteral("Velmora"), QStringLiteral("Collate"),
                                          QStringLiteral("X")),
                 QStringLiteral("12"));
        COMPARE_MODE(folder, 0700);
        COMPARE_MODE(file, 0600);
        const QString other = dir.filePath(QStringLiteral("other"));
        QVERIFY(QFile::rename(file, other) && QFile::link(other, file));
        const QByteArray before = test::Contents(other);
        QSettingsStore(file).save(QStringLiteral("Velmora"), QStringLiteral("Collate"), QStringLiteral("X"),
                                  QStringLiteral("13"));
        QCOMPARE(test::Contents(other), before);
        QVERIFY(QFileInfo(file).isSymLink());
#endif
    }

    // A folder the user may not write: nothing recorded, the reason given. Root writes into any
    // read-only folder, so it is given a folder of /proc, which no one can write.
    void unwritableFolder() {
#ifdef Q_OS_WIN
        QSKIP("a read-only folder attribute does not stop writes on Windows");
#else
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString folder = geteuid() == 0 ? QStringLiteral("/proc/velmora") : dir.path();
        PrintJournal journal(folder + QStringLiteral("/journal.sqlite"));
        QVERIFY(!journal.record(entry(QStringLiteral("张三"), QStringLiteral("￥1.00"))));
        QVERIFY(journal.trouble().contains(geteuid() == 0 ? QStringLiteral("所在的文件夹无法建立")
                                                          : QStringLiteral("无法建立")));
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    }

    // The exports keep what the journal holds: in the CSV a postcode as a formula of its text and
    // anything Excel would take for a formula made plain; in the .xlsx texts as texts, amounts as
    // numbers, read back with the program's own reader.
    void exports() {
        JournalEntry quoted = entry(QStringLiteral("张三, 李四"), QStringLiteral("￥1200.00"));
        quoted.record = 3;
        quoted.workbook = QStringLiteral("/data/payees.xlsx");
        quoted.form.text(Field::PayeePostcode) = QStringLiteral("030000");
        const JournalEntry formula = entry(QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("￥12.50"));
        JournalEntry failed =
            entry(QStringLiteral("\t王五"), QStringLiteral("￥99.00"), JournalOutcome::Failed);
        failed.reason = QStringLiteral("\r打印机已停止");
        const std::vector<JournalEntry> entries = {quoted, formula, failed};
        QCOMPARE(JournalCsv(entries), data(QStringLiteral("export.csv")));
        QString error;
        const std::optional<QByteArray> xlsx = JournalXlsx(entries, &error);
        QVERIFY2(xlsx, qPrintable(error));
        const auto zip = ZipArchive::openData(*xlsx);  // the nine columns set wide, as text
        QVERIFY(zip->read(zip->find(QStringLiteral("xl/worksheets/sheet1.xml")), 1 << 20)
                    .contains("<col min=\"1\" max=\"9\""));
        const std::unique_ptr<Worksheet> sheet =
            openWorkbookData(*xlsx)->worksheet(QStringLiteral("打印记录"));
        const QStringList expected[] = {
            {"时间", "打印机或文件", "工作簿", "记录", "收款人", "邮编", "金额", "结果", "原因"},
            {"2026-12-07 09:30:05", "Counter", "/data/payees.xlsx", "3", "张三, 李四", "030000", "1200",
             "已发送", ""},
            {"2026-12-07 09:30:05", "Counter", "", "", "=HYPERLINK(\"x\")", "", "12.5", "已发送", ""},
            {"2026-12-07 09:30:05", "Counter", "", "", "\t王五", "", "99", "未能打印"}};
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < int(expected[row].size()); ++column) {
                QCOMPARE(sheet->cellText(row + 1, column + 1), expected[row][column]);
            }
        }
        QCOMPARE(JournalTotalText(entries),
                 QStringLiteral("已发送 2 个汇款单，合计 ￥1,212.50；1 个未能打印或已停止"));
        QCOMPARE(SourceText(quoted), QStringLiteral("payees.xlsx 第 3 个"));
        QCOMPARE(SourceText(formula), QStringLiteral("手工填写"));
    }

    // A journal of the first version is brought up to date, its rows kept; a record is found as sent
    // only with the same worksheet, record, payee, postcode and amount.
    void sentBefore() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
        makeDatabase(
            path, QString::fromUtf8(data(QStringLiteral("version1.sql"))).split(u'\n', Qt::SkipEmptyParts));
        PrintJournal journal(path);
        JournalEntry sent = entry(QStringLiteral("王五"), QStringLiteral("￥856.50"));
        sent.workbook = QStringLiteral("/w.xlsx");
        sent.sheet = QStringLiteral("Sheet1");
        sent.record = 4;
        QVERIFY2(journal.record(sent), qPrintable(journal.trouble()));
        QCOMPARE(journal.entriesOn(QDate(2026, 12, 1)).size(), std::size_t(1));
        const std::optional<JournalEntry> found =
            journal.sentBefore(QStringLiteral("/w.xlsx"), QStringLiteral("sheet1"), 4, sent.form);
        QVERIFY(found && found->destination == QStringLiteral("Counter") && found->id == 2);
        FormContent other = sent.form;
        other.text(Field::Amount) = QStringLiteral("￥856.00");
        QVERIFY(!journal.sentBefore(QStringLiteral("/w.xlsx"), QStringLiteral("sheet1"), 4, other));
        QVERIFY(!journal.sentBefore(QStringLiteral("/w.xlsx"), QStringLiteral("Sheet2"), 4, sent.form));
        QVERIFY(!journal.sentBefore(QStringLiteral("/w.xlsx"), QStringLiteral("Sheet1"), 5, sent.form));
    }

    // Forms printed from the main window are listed with the day's sum; the list exports as CSV and a
    // chosen form prints again through the printer dialog.
    void window() {
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        main->show();
        main->setBoxText(0, QStringLiteral("张三"));
        main->setBoxText(6, QStringLiteral("1234.5"));
        services_->dialogs.printerAnswers = {true};
        main->C1(0)->click();
        services_->printer.failToStart = true;
        main->C1(0)->click();
        main->C1(7)->click();
        auto* journal = WindowRegistry::instance().loaded<JournalWindow>();
        QVERIFY(journal && journal->isVisible());
        auto* table = journal->findChild<QTableWidget*>(QStringLiteral("Entries"));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Recorder"));
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("￥1234.50"));
        QCOMPARE(table->item(1, 6)->text().left(5), QStringLiteral("未能打印："));
        QCOMPARE(journal->findChild<QLabel*>(QStringLiteral("Total"))->text(),
                 QStringLiteral("已发送 1 个汇款单，合计 ￥1,234.50；1 个未能打印或已停止"));

        const QString csv = services_->folder() + QStringLiteral("/shown");
        services_->dialogs.fileAnswers = {csv};
        journal->findChild<QPushButton*>(QStringLiteral("ExportButton"))->click();
        QCOMPARE(test::Contents(csv + QStringLiteral(".csv")).count("\r\n"), 3);
        COMPARE_MODE(csv + QStringLiteral(".csv"), 0600);
        services_->dialogs.fileAnswers = {csv};
        journal->findChild<QPushButton*>(QStringLiteral("ExcelExportButton"))->click();
        QCOMPARE(openWorkbook(csv + QStringLiteral(".xlsx"))
                     ->worksheet(QStringLiteral("打印记录"))
                     ->cellText(2, 7),
                 QStringLiteral("1234.5"));
        COMPARE_MODE(csv + QStringLiteral(".xlsx"), 0600);
        // Neither an export nor a form goes over the journal or SQLite's files beside it.
        const QByteArray kept = test::Contents(services_->journal.path());
        services_->dialogs.fileAnswers = {services_->journal.path() + QStringLiteral("-WAL")};
        journal->findChild<QPushButton*>(QStringLiteral("ExportButton"))->click();
        QVERIFY(services_->dialogs.messages().last().contains(QStringLiteral("它是 Velmora 的打印记录")));
        services_->printer.file = services_->journal.path();
        services_->dialogs.printerAnswers = {true};
        main->C1(0)->click();
        QVERIFY(services_->dialogs.messages().last().contains(QStringLiteral("它是 Velmora 的打印记录")));
        QCOMPARE(test::Contents(services_->journal.path()), kept);
        services_->printer.file.clear();

        services_->printer.failToStart = false;
        table->selectRow(0);
        services_->dialogs.printerAnswers = {true};
        services_->dialogs.questionAnswers = {false, true};  // asked once: No prints nothing, Yes prints
        journal->findChild<QPushButton*>(QStringLiteral("ReprintButton"))->click();
        QCOMPARE(services_->dialogs.calls.back().text, QStringLiteral("再次打印 张三 ￥1,234.50？"));
        const std::size_t printed = services_->printer.infos.size();
        journal->findChild<QPushButton*>(QStringLiteral("ReprintButton"))->click();
        QCOMPARE(services_->printer.infos.size(), printed + 1);
        QCOMPARE(services_->printer.infos.back().title, QStringLiteral("汇款单 张三（重新打印）"));
        QCOMPARE(services_->dialogs.calls.back().kind,
                 test::ScriptedDialogs::Kind::Message);  // load the stock
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(2, 2)->text(), QStringLiteral("手工填写（重新打印第 1 条）"));
        // A reprint that fails is told.
        services_->printer.failToStart = true;
        table->selectRow(0);
        services_->dialogs.printerAnswers = {true};
        services_->dialogs.questionAnswers = {true};
        journal->findChild<QPushButton*>(QStringLiteral("ReprintButton"))->click();
        QVERIFY(services_->dialogs.messages().last().startsWith(QStringLiteral("汇款单没有打印：\n")));
        QCOMPARE(table->rowCount(), 4);
        journal->activateWindow();  // Esc closes the window
        QVERIFY(QTest::qWaitForWindowActive(journal));
        QTest::keyClick(journal, Qt::Key_Escape);
        QVERIFY(!journal->isVisible());
    }

    // "停　止" during "全部打印": the forms printed are recorded as sent, the next as stopped, and the
    // main window shows the record the next "全部打印" starts at. Pressed while the last form prints,
    // it stops nothing.
    void stoppedBatch_data() {
        QTest::addColumn<int>("stopAt");
        QTest::newRow("second of three") << 2;
        QTest::newRow("last") << 3;
    }
    void stoppedBatch() {
        QFETCH(int, stopAt);
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        main->show();
        BatchWindow* batch = WindowRegistry::instance().window<BatchWindow>();
        for (int r = 1; r <= 3; ++r) {
            const QStringList record = {QStringLiteral("收款人%1").arg(r), QStringLiteral("北京"),
                                        QStringLiteral("100080"), QString::number(r * 10)};
            batch->grid().setText(r, 0, QString::number(r));
            for (int c = 0; c < 4; ++c) {
                batch->grid().setText(r, c + 1, record[c]);
            }
        }
        batch->command1Click(1);
        QStringList progress;  // what the progress window says as each form opens
        services_->printer.onOpen = [this, main, stopAt, &progress] {
            auto* dialog = main->findChild<QProgressDialog*>();
            progress << dialog->windowTitle() + QLatin1Char(' ') + dialog->labelText();
            if (services_->printer.infos.size() == std::size_t(stopAt)) {
                dialog->cancel();
            }
        };
        main->C1(6)->click();
        QCOMPARE(progress.first(), QStringLiteral("全部打印 正在打印第 1 个汇款单（1/3）"));
        QCOMPARE(progress.last(), QStringLiteral("全部打印 正在打印第 %1 个汇款单（%1/3）").arg(stopAt));
        const auto entries = services_->journal.entriesOn(QDate::currentDate());
        QCOMPARE(entries.size(), std::size_t(3));
        QCOMPARE(entries[1].outcome, JournalOutcome::Sent);
        if (stopAt == 3) {
            QCOMPARE(services_->printer.documents.size(), std::size_t(3));
            QCOMPARE(services_->dialogs.messages(), QStringList());
            QCOMPARE(entries[2].outcome, JournalOutcome::Sent);
            return;
        }
        QCOMPARE(services_->printer.documents.size(), std::size_t(2));
        QCOMPARE(services_->dialogs.messages().last(),
                 QStringLiteral("已停止全部打印：已打印 2 个汇款单，共 3 个。第 3 个起没有打印。"));
        QCOMPARE(main->NumScroll()->value(), 3);
        const auto* table = batch->findChild<QTableWidget*>(QStringLiteral("Table1"));
        QCOMPARE(table->verticalHeaderItem(1)->background().color(), QColor(200, 235, 200));
        QCOMPARE(table->verticalHeaderItem(2)->background(), QBrush());
        QCOMPARE(entries[2].outcome, JournalOutcome::Stopped);
        QCOMPARE(entries[2].record, 3);
        QCOMPARE(entries[2].form.text(Field::Amount), QStringLiteral("￥30.00"));
    }

    // A journal that cannot be written never stops printing: the operator is told once.
    void troubleToldOnce() {
        const QString path = services_->folder() + QStringLiteral("/damaged.sqlite");
        QVERIFY(test::WriteFile(path, QByteArray(2048, '\x01')));
        PrintJournal damaged(path);
        services().journal = &damaged;
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        main->setBoxText(0, QStringLiteral("张三"));
        main->setBoxText(6, QStringLiteral("1"));
        services_->dialogs.printerAnswers = {true, true};
        main->C1(0)->click();
        main->C1(0)->click();
        QCOMPARE(services_->printer.documents.size(), std::size_t(2));
        const QStringList told = services_->dialogs.messages().filter(QStringLiteral("不会记入打印记录"));
        QCOMPARE(told.size(), 1);
        QVERIFY(told[0].contains(QStringLiteral("已损坏")));
        services().journal = &services_->journal;
    }
};

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
