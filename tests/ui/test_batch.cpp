// A batch through the windows: the open-workbook dialog, the import on the batch window's first
// paint, the grid's flags and totals, the hand-over to the main window, a second import that fails or
// is cancelled.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "app_state.h"
#include "batch_window.h"
#include "events.h"
#include "fonts.h"
#include "main_window.h"
#include "open_workbook_dialog.h"
#include "test_services.h"
#include "window_registry.h"

using namespace velmora;

class TestBatch : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestServices> services_;
    QString sample_ = qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/examples/payees.xlsx");

    MainWindow* main() { return WindowRegistry::instance().window<MainWindow>(); }
    OpenWorkbookDialog* dialog() { return WindowRegistry::instance().window<OpenWorkbookDialog>(); }
    BatchWindow* batch() { return WindowRegistry::instance().window<BatchWindow>(); }

    // The main window's payee name, record number and record count.
    QStringList shown() { return {main()->boxText(0), main()->Num(0)->text(), main()->Num(1)->text()}; }

    // The dialog's OK with a workbook, the batch window's first paint, and the import it queues.
    void importWith(const QString& path, const QString& sheet = QStringLiteral("sheet1")) {
        dialog()->Text1(0)->setText(path);
        dialog()->Text1(1)->setText(sheet);
        dialog()->Command2(0)->click();
        QVERIFY(QTest::qWaitForWindowExposed(batch()));
        QTRY_VERIFY(appState().ImportDone == 1);
        test::settle();
    }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() {
        services_ = std::make_unique<test::TestServices>();
        resetAppState();
        main()->show();
    }

    void cleanup() {
        WindowRegistry::instance().destroyAll();
        test::settle();
        services_.reset();
    }

    // The dialog's key filter: column boxes take letters as capitals, the first-row box digits (and
    // Ctrl+A selects it whole); OK turns the letters into ColNo.
    void dialogEntries() {
        OpenWorkbookDialog* d = dialog();
        QStringList entries;
        for (int i = 1; i <= 6; ++i) {
            entries << d->Text1(i)->text();
        }
        QCOMPARE(entries, (QStringList{"sheet1", "2", "A", "C", "B", "D"}));
        d->Text1(3)->clear();
        QTest::keyClicks(d->Text1(3), QStringLiteral("a-1b"));
        QCOMPARE(d->Text1(3)->text(), QStringLiteral("AB"));
        QTest::keyClicks(d->Text1(2), QStringLiteral("x9"));
        QCOMPARE(d->Text1(2)->text(), QStringLiteral("29"));
        QTest::keyClick(d->Text1(2), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(d->Text1(2)->selectedText(), QStringLiteral("29"));
        // "浏览": the file chosen goes into the path box; a cancelled browse keeps what was there.
        services_->dialogs.fileAnswers = {QStringLiteral("/data/工资.csv"), std::nullopt};
        d->Command1()->click();
        d->Command1()->click();
#ifdef Q_OS_WIN
        QCOMPARE(d->Text1(0)->text(), QStringLiteral("\\data\\工资.csv"));  // shown as Windows writes paths
#else
        QCOMPARE(d->Text1(0)->text(), QStringLiteral("/data/工资.csv"));
#endif
        d->Text1(6)->clear();
        importWith(QStringLiteral("/nonexistent.xlsx"));
        QCOMPARE(appState().ColNo, (std::array<std::int16_t, 4>{28, 3, 2, 0}));
    }

    // Cancel and the close box unload the dialog, which comes back with its defaults; Help opens the
    // help file and keeps the dialog with what was typed.
    void cancelAndHelp() {
        dialog()->show();
        dialog()->Text1(1)->setText(QStringLiteral("工资"));
        dialog()->Command2(2)->click();
        test::settle();
        QCOMPARE(services_->shell.opened, QStringList{QCoreApplication::applicationDirPath() + "/help.txt"});
        QVERIFY(dialog()->isVisible());
        QCOMPARE(dialog()->Text1(1)->text(), QStringLiteral("工资"));
        dialog()->Command2(1)->click();
        test::settle();
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("fOpen")));
        QCOMPARE(dialog()->Text1(1)->text(), QStringLiteral("sheet1"));
        dialog()->Text1(1)->setText(QStringLiteral("工资"));
        dialog()->close();
        test::settle();
        QCOMPARE(dialog()->Text1(1)->text(), QStringLiteral("sheet1"));
    }

    // An import that fails says why, hides the batch window and shows the dialog again, its entries
    // kept.
    void failedImport_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << "/nonexistent.xlsx"
                                 << "sheet1"
                                 << "无法打开Excel文件，请检查后重新输入文件名及路径！";
        QTest::newRow("wrong sheet") << "SAMPLE"
                                     << "工资"
                                     << "输入表格名称有误，无法打开表格，请重新输入！";
    }
    void failedImport() {
        QFETCH(QString, path);
        QFETCH(QString, sheet);
        QFETCH(QString, message);
        importWith(path == QLatin1String("SAMPLE") ? sample_ : path, sheet);
        QCOMPARE(services_->dialogs.messages(), QStringList{message});
        QVERIFY(!batch()->isVisible());
        QVERIFY(dialog()->isVisible());
        QCOMPARE(dialog()->Text1(1)->text(), sheet);
    }

    // The sample's 20 records: in the grid with their totals, flags on a cell edited wrong, handed over
    // as record 1 of 20 with the large step 20 / 6 = 3; closing the window ends the batch.
    void importAndHandOver() {
        importWith(sample_);
        BatchWindow* b = batch();
        QCOMPARE(b->grid().text(20, 1), QStringLiteral("罗晓东"));
        QCOMPARE(b->grid().text(11, 3), QStringLiteral("050011"));
        QCOMPARE((QStringList{b->grid().text(0, 0), b->grid().text(0, 4), b->grid().text(1, 0),
                              b->grid().text(7, 0)}),
                 (QStringList{"序号", "    金\u3000额", "1", "7"}));
        QCOMPARE(appState().RowCount, std::int16_t(25));
        QCOMPARE(b->summary()->text(), QStringLiteral("共 20 个汇款单，合计 ￥43,258.02"));
        b->grid().setText(3, 4, QStringLiteral("3千"));
        b->grid().setText(4, 1, QStringLiteral("欧阳诸葛司马复姓"));
        const QTableWidgetItem* amount = b->Table1()->item(2, 3);
        QCOMPARE(amount->toolTip(), QStringLiteral("不能打印：汇款金额“3千”不是数字"));
        QCOMPARE(amount->background().color(), BatchWindow::flagColour());
        QCOMPARE(b->Table1()->item(3, 0)->background().color(), BatchWindow::warningColour());
        QCOMPARE(b->summary()->text(), QStringLiteral("共 20 个汇款单，合计 ￥40,258.02，1 个不能打印"));
        b->Command1(1)->click();
        QCOMPARE(main()->Num(1)->text(), QStringLiteral(" 20"));
        QCOMPARE(main()->NumScroll()->maximum(), 20);
        QCOMPARE(main()->NumScroll()->pageStep(), 3);
        QCOMPARE(main()->boxText(0), QStringLiteral("张伟"));
        QVERIFY(!b->isVisible());
        main()->NumScroll()->setValue(5);
        b->close();
        test::settle();
        QCOMPARE(main()->NumScroll()->maximum(), 1);
        QCOMPARE(shown(), (QStringList{"", "1", "1"}));  // no payee of the discarded batch stays printable
        QCOMPARE((QStringList{main()->boxText(2), main()->boxText(4), main()->boxText(6)}),
                 (QStringList{"", "", "￥0.00"}));
    }

    // Cleaning drops the rows without an amount and keeps the others in order. (Its button is set in
    // 10.5 pt, a size the window design cannot hold.)
    void cleaning() {
        importWith(sample_);
        QCOMPARE(batch()->Command1(2)->font().pointSizeF(), 10.5);
        batch()->grid().setText(2, 4, QString());
        batch()->Option1(3)->setChecked(true);
        batch()->Command1(2)->click();
        QCOMPARE(batch()->grid().text(2, 1), QStringLiteral("李娜"));
        QCOMPARE(batch()->grid().text(19, 1), QStringLiteral("罗晓东"));
        QCOMPARE(batch()->grid().text(20, 1), QString());
        // Edits after cleaning are checked again, and a corrected cell loses its flag.
        auto* table = batch()->findChild<QTableWidget*>(QStringLiteral("Table1"));
        auto* summary = batch()->findChild<QLabel*>(QStringLiteral("Summary"));
        batch()->grid().setText(1, 4, QStringLiteral("abc"));
        QVERIFY(summary->text().endsWith(QStringLiteral("1 个不能打印")));
        QVERIFY(!table->item(0, 3)->toolTip().isEmpty());
        batch()->grid().setText(1, 4, QStringLiteral("10"));
        QCOMPARE(table->item(0, 3)->toolTip(), QString());
        QCOMPARE(batch()->grid().text(0, 1), QStringLiteral("收款人"));
        batch()->grid().setText(2, 1, QString());  // the first rule drops the rows without a payee
        batch()->Option1(0)->setChecked(true);
        batch()->Command1(2)->click();
        QCOMPARE(batch()->grid().text(2, 1), QStringLiteral("刘洋"));
    }

    // A second import that fails leaves the batch in use, its count and the boxes as they were; one
    // that succeeds replaces it, with no question asked.
    void reimport() {
        importWith(sample_);
        batch()->grid().setText(1, 1, QStringLiteral("张伟伟"));
        batch()->Command1(1)->click();
        main()->NumScroll()->setValue(4);
        importWith(sample_, QStringLiteral("工资"));
        QCOMPARE(services_->dialogs.messages(),
                 QStringList{QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！")});
        QCOMPARE(batch()->grid().text(1, 1), QStringLiteral("张伟伟"));
        QCOMPARE(batch()->grid().text(20, 1), QStringLiteral("罗晓东"));
        QCOMPARE(shown(), (QStringList{"刘洋", " 4", " 20"}));
        QVERIFY(batch()->holdsBatch());
        importWith(sample_);
        QCOMPARE(services_->dialogs.calls.size(), std::size_t(1));
        QCOMPARE(batch()->grid().text(1, 1), QStringLiteral("张伟"));
        // Cancelled in the batch window: the batch is gone, the main window back to one empty record.
        batch()->Command1(0)->click();
        test::settle();
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("表格")));
        QCOMPARE(shown(), (QStringList{"", "1", "1"}));
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
