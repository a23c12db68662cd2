#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "batch/fake_workbook.h"
#include "batch/open_workbook_dialog.h"
#include "support/test_services.h"

using namespace velmora;
using velmora::test::FakeWorkbookOpener;

namespace {

// Rows as "name|address|postcode|amount" written from worksheet row 2 down (the default layout).
void setSheetRows(FakeWorkbookOpener& fake, const QStringList& rows) {
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(QLatin1Char('|'));
        fake.sheet().setRecord(i + 2, cells.value(0), cells.value(1), cells.value(2), cells.value(3));
    }
}

QStringList gridRows(BatchWindow* batch, int count) {
    QStringList rows;
    for (int i = 1; i <= count; ++i) {
        QStringList cells;
        for (int c = 1; c <= 4; ++c) {
            cells << batch->grid().text(i, c);
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// fOpen's OK with the path "book.xlsx" and the default entries; returns the batch window once its
// first paint has run the import.
BatchWindow* importThroughDialog(FakeWorkbookOpener& fake, const QString& sheet = QStringLiteral("sheet1")) {
    OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
    dialog->show();
    dialog->Text1(0)->setText(QStringLiteral("book.xlsx"));
    dialog->Text1(1)->setText(sheet);
    const int before = fake.data.opened;
    QTest::mouseClick(dialog->Command2(0), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return fake.data.opened > before; })) {
        return nullptr;
    }
    QCoreApplication::processEvents();
    return WindowRegistry::instance().loaded<BatchWindow>();
}

void typeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

}  // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<FakeWorkbookOpener> fake_;

    // The rows in the worksheet, imported through fOpen's OK.
    BatchWindow* importRows(const QStringList& rows) {
        setSheetRows(*fake_, rows);
        return importThroughDialog(*fake_);
    }

private Q_SLOTS:
    void init() {
        resetAppState();
        services_ = std::make_unique<test::TestServices>();
        fake_ = std::make_unique<FakeWorkbookOpener>();
    }
    void cleanup() {
        WindowRegistry::instance().destroyAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fake_.reset();
        services_.reset();
    }

    void gridDesign() {
        BatchWindow* batch = importRows({"张三|北京市|100000|10"});
        QVERIFY(batch);
        QCOMPARE(batch->objectName(), QStringLiteral("表格"));
        QVERIFY(batch->windowTitle().isEmpty());
        QCOMPARE(batch->grid().rows(), 501);
        QCOMPARE(batch->grid().cols(), 5);
        const QStringList headings{"序号", "收款人", "地\u3000址", "邮\u3000编", "    金\u3000额"};
        for (int t = 0; t < 5; ++t) {
            QCOMPARE(batch->grid().text(0, t), headings[t]);
        }
        for (int r : {1, 2, 250, 500}) {
            QCOMPARE(batch->grid().text(r, 0), QString::number(r));
        }
        QCOMPARE(batch->Command1(0)->text(), QStringLiteral("取　消"));
        QCOMPARE(batch->Command1(1)->text(), QStringLiteral("导　入"));
        QCOMPARE(batch->Command1(2)->text(), QStringLiteral("清除不规范数据"));
        for (int k = 0; k < 4; ++k) {
            QVERIFY(!batch->Option1(k)->isChecked());
        }
        QCOMPARE(SelectedRule(), std::int16_t(-1));
    }

    void importsOnTheFirstPaintOnly() {
        BatchWindow* batch = importRows({"张三|北京市|100000|10", "李四|上海市|200000|20"});
        QVERIFY(batch);
        QVERIFY(batch->isVisible());
        QCOMPARE(appState().ImportDone, std::int16_t(1));
        QCOMPARE(appState().RowCount, std::int16_t(7));
        QCOMPARE(gridRows(batch, 3), (QStringList{"张三|北京市|100000|10", "李四|上海市|200000|20", "|||"}));
        QCOMPARE(fake_->data.lastPath, QStringLiteral("book.xlsx"));
        // Later paints, and hiding and showing, read nothing again.
        batch->repaint();
        batch->hide();
        batch->show();
        batch->update();
        QTest::qWait(50);
        QCOMPARE(fake_->data.opened, 1);
        // The next OK imports again, even with the window still on screen.
        fake_->sheet().setRecord(2, "王五", "广州市", "510000", "30");
        QCOMPARE(importThroughDialog(*fake_), batch);
        QCOMPARE(fake_->data.opened, 2);
        QCOMPARE(batch->grid().text(1, 1), QStringLiteral("王五"));
    }

    void failedImportReturnsToTheDialog() {
        setSheetRows(*fake_, {"张三|北京市|100000|10"});
        BatchWindow* batch = importThroughDialog(*fake_, QStringLiteral("名单"));
        QVERIFY(batch);
        OpenWorkbookDialog* dialog = WindowRegistry::instance().loaded<OpenWorkbookDialog>();
        QTRY_VERIFY(dialog->isVisible());
        QVERIFY(!batch->isVisible());
        QCOMPARE(services_->dialogs.messages(),
                 QStringList{QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！")});
        QCOMPARE(dialog->Text1(0)->text(), QStringLiteral("book.xlsx"));
        QCOMPARE(dialog->Text1(1)->text(), QStringLiteral("名单"));
        QCOMPARE(appState().ImportDone, std::int16_t(1));
        // Corrected and confirmed again: the import runs once more.
        QVERIFY(importThroughDialog(*fake_, QStringLiteral("Sheet1")));
        QVERIFY(batch->isVisible());
        QCOMPARE(batch->grid().text(1, 1), QStringLiteral("张三"));
    }

    void firstRowBeyondSixteenBitsIsRefused() {
        OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
        dialog->show();
        dialog->Text1(2)->setText(QStringLiteral("9E99"));  // pasted: the key filter never saw it
        QTest::mouseClick(dialog->Command2(0), Qt::LeftButton);
        QTRY_COMPARE(services_->dialogs.messages(),
                     QStringList{QStringLiteral("未知错误，错误号： 6\u3000请检查输入值！")});
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(fake_->data.opened, 0);
    }

    void editingACell() {
        BatchWindow* batch = importRows({"P1|a1|100001|1", "P2|a2|100002|2", "P3|a3|100003|3"});
        QVERIFY(batch);
        QVERIFY(QTest::qWaitForWindowActive(batch));
        QTableWidget* table = batch->Table1();
        const QRect cell = table->visualRect(table->model()->index(2, 1));
        // A double-click: the press of its first click, then the double-click itself.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->objectName(), QStringLiteral("Text1"));
        QVERIFY(cell.contains(editor->geometry().center()));
        QCOMPARE(editor->text(), QStringLiteral("a3"));
        QCOMPARE(appState().EditRow, std::int16_t(3));
        QCOMPARE(appState().EditCol, std::int16_t(2));
        editor->selectAll();
        typeInto(editor, QStringLiteral(" 新地址 "));
        // Clicking another cell takes the focus away: the text goes to the cell the editor was
        // opened over, as typed.
        const QRect other = table->visualRect(table->model()->index(0, 3));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, other.center());
        QTRY_COMPARE(batch->grid().text(3, 2), QStringLiteral(" 新地址 "));
        QCOMPARE(batch->grid().text(1, 4), QStringLiteral("1"));
        QVERIFY(!QApplication::focusWidget() ||
                QApplication::focusWidget()->objectName() != QStringLiteral("Text1"));
    }

    void cleaningRules_data() {
        QTest::addColumn<int>("rule");  // -1: no button selected
        QTest::addColumn<QStringList>("expected");
        const QStringList rows{"|a1|100001|1", "P2||100002|2", "P3|a3||3", "P4|a4|100004|", "P5|a5|100005|5"};
        QTest::newRow("no rule selected") << -1 << rows;
        QTest::newRow("without name")
            << 0 << QStringList{"P2||100002|2", "P3|a3||3", "P4|a4|100004|", "P5|a5|100005|5", "|||"};
        QTest::newRow("without address")
            << 1 << QStringList{"|a1|100001|1", "P3|a3||3", "P4|a4|100004|", "P5|a5|100005|5", "|||"};
        QTest::newRow("without postcode")
            << 2 << QStringList{"|a1|100001|1", "P2||100002|2", "P4|a4|100004|", "P5|a5|100005|5", "|||"};
        QTest::newRow("without amount")
            << 3 << QStringList{"|a1|100001|1", "P2||100002|2", "P3|a3||3", "P5|a5|100005|5", "|||"};
    }
    void cleaningRules() {
        QFETCH(int, rule);
        QFETCH(QStringList, expected);
        BatchWindow* batch =
            importRows({"|a1|100001|1", "P2||100002|2", "P3|a3||3", "P4|a4|100004|", "P5|a5|100005|5"});
        QVERIFY(batch);
        if (rule >= 0) {
            QTest::mouseClick(batch->Option1(rule), Qt::LeftButton);
            QVERIFY(batch->Option1(rule)->isChecked());
        }
        QCOMPARE(SelectedRule(), std::int16_t(rule));
        QTest::mouseClick(batch->Command1(2), Qt::LeftButton);
        QCOMPARE(gridRows(batch, 5), expected);
        QCOMPARE(appState().RowCount, std::int16_t(10));
    }

    void unreadDataNotice() {
        setSheetRows(*fake_, {"P1|a|100001|1", "P2|a|100002|2"});
        fake_->sheet().setRecord(12, "P11", "a", "100011", "11");  // below the five blank rows 4 to 8
        BatchWindow* batch = importThroughDialog(*fake_);
        QVERIFY(batch);
        QLabel* notice = batch->unreadNotice();
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().contains(QStringLiteral("第 12 行")), qPrintable(notice->text()));
        QVERIFY2(notice->text().contains(QStringLiteral("已读入 7 行")), qPrintable(notice->text()));
        // Notice and grid stay side by side.
        QVERIFY(!notice->geometry().intersects(batch->Table1()->geometry()));
        // An import that leaves nothing out says nothing.
        for (int c = 1; c <= 4; ++c) {
            fake_->sheet().cells.remove({12, c});
        }
        QVERIFY(importThroughDialog(*fake_));
        QVERIFY(!notice->isVisible());
    }

    void cellsThatCannotPrintAreFlagged() {
        BatchWindow* batch = importRows({"P1|a1|10008|五百", "P2|a2|100080|12.5", "P3|a3||20000000"});
        QVERIFY(batch);
        QTableWidget* table = batch->Table1();
        auto flagged = [&](int row, int col) {
            const QTableWidgetItem* item = table->item(row - 1, col - 1);
            return item && item->background().color() == BatchWindow::flagColour() &&
                   !item->toolTip().isEmpty();
        };
        QVERIFY(flagged(1, 3));
        QVERIFY(table->item(0, 2)->toolTip().contains(QStringLiteral("六位数字")));
        QVERIFY(flagged(1, 4));
        QVERIFY(!flagged(2, 3));
        QVERIFY(!flagged(2, 4));
        QVERIFY(flagged(3, 3));  // a record without a postcode
        QVERIFY(flagged(3, 4));
        QVERIFY(!flagged(1, 1) && !flagged(1, 2));
        QVERIFY(!flagged(4, 3) && !flagged(4, 4));  // blank rows are not records
        // The text is left as it is.
        QCOMPARE(gridRows(batch, 1), QStringList{"P1|a1|10008|五百"});
        // A corrected cell loses its flag; a spoiled one gets it.
        batch->grid().setText(1, 3, QStringLiteral("100080"));
        QVERIFY(!flagged(1, 3));
        batch->grid().setText(2, 4, QStringLiteral("12.345"));
        QVERIFY(flagged(2, 4));
        // Cleaning moves the flags with the rows.
        QTest::mouseClick(batch->Option1(2), Qt::LeftButton);
        QTest::mouseClick(batch->Command1(2), Qt::LeftButton);
        QCOMPARE(gridRows(batch, 3), (QStringList{"P1|a1|100080|五百", "P2|a2|100080|12.345", "|||"}));
        QVERIFY(flagged(2, 4));
        QVERIFY(!flagged(3, 4));
    }

    void handOver_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("lastRow");  // an extra row after the records, "" for none
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("largeStep");
        // LargeStep's rounding is tested with the import; here, the count handed over and its use.
        QTest::newRow("100 records") << 100 << "" << 100 << 100 << 17;
        QTest::newRow("an amount alone at the end is not counted") << 3 << "|||88" << 3 << 3 << 1;
        QTest::newRow("a postcode alone at the end is") << 3 << "||100000|" << 4 << 4 << 1;
        QTest::newRow("nothing to hand over") << 0 << "" << 0 << 1 << 1;
    }
    void handOver() {
        QFETCH(int, records);
        QFETCH(QString, lastRow);
        QFETCH(int, count);
        QFETCH(int, maximum);
        QFETCH(int, largeStep);
        QStringList rows;
        for (int i = 1; i <= records; ++i) {
            rows << QStringLiteral("收款人%1|地址%1|1000%2|%1").arg(i).arg(i % 100, 2, 10, QLatin1Char('0'));
        }
        if (!lastRow.isEmpty()) {
            rows << lastRow;
        }
        if (rows.isEmpty()) {
            rows << "|||";
        }
        setSheetRows(*fake_, rows);
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        // A form typed by hand while the cursor is on record 1 already.
        main->setBoxText(0, QStringLiteral("手写的收款人"));
        main->setBoxText(1, QStringLiteral("汇款人"));
        BatchWindow* batch = importThroughDialog(*fake_);
        QVERIFY(batch);
        QTest::mouseClick(batch->Command1(1), Qt::LeftButton);
        QCOMPARE(main->Num(1)->text(), QStringLiteral(" %1").arg(count));
        QCOMPARE(main->NumScroll()->maximum(), maximum);
        QCOMPARE(main->NumScroll()->minimum(), 1);
        QCOMPARE(main->NumScroll()->pageStep(), largeStep);
        QCOMPARE(main->NumScroll()->value(), 1);
        // Record 1 is shown, not the form typed before; the remitter stays.
        QCOMPARE(main->boxText(0), records > 0 ? QStringLiteral("收款人1") : QString());
        QCOMPARE(main->boxText(1), QStringLiteral("汇款人"));
        QVERIFY(!batch->isVisible());
        QCOMPARE(WindowRegistry::instance().loaded<BatchWindow>(), batch);
    }

    void closingEndsTheBatch_data() {
        QTest::addColumn<bool>("cancelButton");
        QTest::newRow("取　消") << true;
        QTest::newRow("close box") << false;
    }
    void closingEndsTheBatch() {
        QFETCH(bool, cancelButton);
        setSheetRows(*fake_, {"P1|a1|100001|1", "P2|a2|100002|2", "P3|a3|100003|3"});
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        BatchWindow* batch = importThroughDialog(*fake_);
        QVERIFY(batch);
        QTest::mouseClick(batch->Command1(1), Qt::LeftButton);
        main->NumScroll()->setValue(3);
        QCOMPARE(main->boxText(0), QStringLiteral("P3"));
        // Back on screen for another look, then closed.
        batch->show();
        if (cancelButton) {
            QTest::mouseClick(batch->Command1(0), Qt::LeftButton);
        } else {
            batch->close();
        }
        QTRY_VERIFY(!WindowRegistry::instance().loaded<BatchWindow>());
        QCOMPARE(main->NumScroll()->maximum(), 1);
        QCOMPARE(main->NumScroll()->pageStep(), 1);
        QCOMPARE(main->NumScroll()->value(), 1);
        QCOMPARE(main->Num(0)->text(), QStringLiteral("1"));
        QCOMPARE(main->Num(1)->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"
