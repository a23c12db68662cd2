// The main window: start-up, the boxes' rules, the record cursor over a batch, corrections written
// back, and every print path through a recording printer and scripted dialogs.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "app_state.h"
#include "batch_window.h"
#include "events.h"
#include "fonts.h"
#include "main_window.h"
#include "open_workbook_dialog.h"
#include "spaced_line_edit.h"
#include "test_services.h"
#include "window_registry.h"

using namespace velmora;

namespace {

const QString kYuan = QStringLiteral("\uFFE5");

QStringList titles(const test::RecordingDestination& printer) {
    QStringList all;
    for (const DocumentInfo& info : printer.infos) {
        all << info.title;
    }
    return all;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestServices> services_;
    MainWindow* window_ = nullptr;

    test::RecordingDestination& printer() { return services_->printer; }
    ScriptedDialogs& dialogs() { return services_->dialogs; }

    void show() {
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    // "退  出" asks only while a batch has records not printed.
    bool leavingAsks() {
        const std::size_t before = dialogs().calls.size();
        window_->C1(1)->click();
        return dialogs().calls.size() > before;
    }

    // Types into box i as the operator does: the focus moves there, the keys are typed, Tab leaves.
    void type(int i, const QString& keys) {
        window_->Txt(i)->setFocus();
        test::typeText(window_->Txt(i), keys);
        window_->Txt(0 == i ? 4 : 0)->setFocus();
    }

    // Records in the batch grid, handed to the main window as "导　入" does.
    BatchWindow* handOver(const QList<QStringList>& records) {
        BatchWindow* batch = WindowRegistry::instance().window<BatchWindow>();
        for (int r = 0; r < records.size(); ++r) {
            for (int c = 0; c < 4; ++c) {
                batch->grid().setText(r + 1, c + 1, records[r][c]);
            }
        }
        batch->command1Click(1);
        return batch;
    }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() {
        services_ = std::make_unique<test::TestServices>();
        resetAppState();
        window_ = WindowRegistry::instance().window<MainWindow>();
    }

    void cleanup() {
        WindowRegistry::instance().destroyAll();
        test::settle();
        services_.reset();
    }

    // Started: centred, record 1 of 1, empty boxes but the amount's ￥0.00 once painted, the focus in
    // the payee name, the boxes in the order of the form's rows.
    void startUp() {
        show();
        const QRect screen = window_->screen()->geometry();
        QCOMPARE(window_->x(), (screen.width() - window_->width()) / 2);
        QCOMPARE(window_->objectName(), QStringLiteral("主窗口"));
        QCOMPARE(window_->Num(0)->text() + window_->Num(1)->text(), QStringLiteral("11"));
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("0.00"));
        QCOMPARE(window_->focusWidget(), window_->Txt(0));
        QStringList order;
        for (QWidget* w = window_->Txt(0); order.size() < 10; w = w->nextInFocusChain()) {
            if (w->objectName().startsWith(QLatin1String("Txt_")) ||
                w->objectName() == QLatin1String("Chk_0")) {
                order << w->objectName().mid(4);
            }
        }
        QCOMPARE(order.join(QLatin1Char(',')), QStringLiteral("0,4,2,1,5,3,7,6,8,0"));
        // Tab leaves a several-line box as it leaves any other.
        window_->Txt(2)->setFocus();
        QTest::keyClick(window_->Txt(2), Qt::Key_Tab);
        QCOMPARE(window_->focusWidget(), window_->Txt(1));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("表格")));
    }

    // What the boxes take and how the amount reads once left: digits and the point only in boxes 4
    // to 7; the amount cut to two decimals, a text that is no amount kept and marked.
    void boxes_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("marked");
        QTest::newRow("letters refused in the postcode") << 4 << "1a0b0c0d3e7f"
                                                         << "100037" << false;
        QTest::newRow("a point in the postcode is no postcode") << 4 << "1000.7"
                                                                << "1000.7" << true;
        QTest::newRow("minus refused in the mobile") << 7 << "-138"
                                                     << "138" << false;
        QTest::newRow("name takes anything") << 0 << "张a1"
                                             << "张a1" << false;
        QTest::newRow("amount cut, not rounded") << 6 << "12.345" << kYuan + "12.34" << false;
        QTest::newRow("amount below one") << 6 << "0.5" << kYuan + ".50" << false;
        QTest::newRow("amount of nine figures kept whole")
            << 6 << "123456789" << kYuan + "123456789.00" << true;
        QTest::newRow("two points are no amount") << 6 << "1.2.3"
                                                  << "1.2.3" << true;
    }
    void boxes() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, marked);
        show();
        if (box == 6) {
            window_->setBoxText(6, QString());
        }
        type(box, typed);
        QCOMPARE(window_->boxText(box), shown);
        QCOMPARE(window_->Txt(box)->toolTip().startsWith(QStringLiteral("不能打印")), marked);
        QCOMPARE(window_->Txt(box)->palette().color(QPalette::Text) == QColor(0xC0, 0, 0), marked);
    }

    // What reaches a box other than by a key: a paste, an input method's commit. A numeric box refuses
    // what it would not take from the keyboard; every box takes no more than its limit, the rest cut.
    void pastedAndComposed_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("how");  // paste, compose, type (key by key) or Return
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        QTest::newRow("letters into a postcode") << 4 << "100"
                                                 << "paste"
                                                 << "0a8"
                                                 << "100";
        QTest::newRow("digits into a postcode") << 4 << "100"
                                                << "paste"
                                                << "080"
                                                << "100080";
        QTest::newRow("mobile cut at 11") << 7 << ""
                                          << "paste"
                                          << "138001380001234"
                                          << "13800138000";
        QTest::newRow("name cut at 10") << 0 << "张"
                                        << "paste"
                                        << "一二三四五六七八九十"
                                        << "张一二三四五六七八九";
        QTest::newRow("address cut at 100") << 2 << QString(95, u'址') << "paste"
                                            << "一二三四五六七" << QString(95, u'址') + "一二三四五";
        QTest::newRow("address typed to its last place") << 2 << QString(99, u'址') << "type"
                                                         << "号" << QString(99, u'址') + "号";
        QTest::newRow("no line break in a full address") << 2 << QString(100, u'址') << "Return"
                                                         << "" << QString(100, u'址');
        QTest::newRow("message full") << 8 << QString(30, u'言') << "compose"
                                      << "多" << QString(30, u'言');
        QTest::newRow("name composed, cut") << 0 << "欧阳诸葛司马东方"
                                            << "compose"
                                            << "上官" + QString(u'x') << "欧阳诸葛司马东方上官";
        QTest::newRow("full-width digit composed") << 6 << ""
                                                   << "compose"
                                                   << "１"
                                                   << "";
    }
    void pastedAndComposed() {
        QFETCH(int, box);
        QFETCH(QString, before);
        QFETCH(QString, how);
        QFETCH(QString, text);
        QFETCH(QString, after);
        show();
        window_->setBoxText(box, before);
        QWidget* target = window_->Txt(box);
        target->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(target)) {
            line->end(false);
        } else {
            static_cast<QPlainTextEdit*>(target)->moveCursor(QTextCursor::End);
        }
        if (how == QLatin1String("compose")) {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QCoreApplication::sendEvent(target, &commit);
        } else if (how == QLatin1String("type")) {
            test::typeText(target, text);
        } else if (how == QLatin1String("Return")) {
            QTest::keyClick(target, Qt::Key_Return);
        } else {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(window_->boxText(box), after);
    }

    // A click into the amount box selects what it shows, so that the amount typed replaces "￥0.00".
    void clickSelectsTheAmount() {
        show();
        QTest::mouseClick(window_->Txt(6), Qt::LeftButton);
        QCOMPARE(static_cast<QLineEdit*>(window_->Txt(6))->selectedText(), kYuan + QStringLiteral("0.00"));
    }

    // A digit box's spaced text follows a change of spacing and of text; the window spaces its digit
    // boxes to the squares on the form.
    void spacedText() {
        SpacedLineEdit box;
        box.setText(QStringLiteral("100080"));
        box.setSpacedText({}, 3);
        QVERIFY(box.showsSpacedText());
        box.setSpacedText({}, 5);
        QCOMPARE(box.extraSpacing(), 5);
        box.setSpacedText(QStringLiteral("12"), 5);
        QCOMPARE(box.spacedText(), QStringLiteral("12"));
        // On the main window: 6 pixels between a postcode's digits, 2 between the mobile number's.
        show();
        window_->setBoxText(4, QStringLiteral("100080"));
        window_->setBoxText(7, QStringLiteral("13800138000"));
        window_->repaint();
        QCOMPARE(static_cast<SpacedLineEdit*>(window_->Txt(4))->extraSpacing(), 6);
        QCOMPARE(static_cast<SpacedLineEdit*>(window_->Txt(7))->extraSpacing(), 2);
    }

    // A repaint normalises every numeric box except the one holding the window's keyboard focus, even
    // while the window is not the active one.
    void repaintSkipsTheFocusedBox() {
        show();
        window_->Txt(6)->setFocus();
        window_->setBoxText(6, QStringLiteral("12.5"));
        window_->setBoxText(7, QStringLiteral("138"));
        window_->repaint();
        QCOMPARE(window_->boxText(6), QStringLiteral("12.5"));
        window_->Txt(0)->setFocus();
        window_->repaint();
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("12.50"));
    }

    // The record cursor shows each record in the payee boxes, normalised, leaving the remitter's
    // boxes alone; Right and Down move forward; an edit of a payee box goes into the grid.
    void recordCursor() {
        show();
        window_->setBoxText(1, QStringLiteral("李四"));
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "1,200"},
                                       {"王五", "上海", "200032", "12.5"},
                                       {"赵六", "广州", "510640", "3"}});
        QCOMPARE(window_->Num(1)->text(), QStringLiteral(" 3"));
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("1200.00"));
        window_->NumScroll()->setFocus();
        QTest::keyClick(window_->NumScroll(), Qt::Key_Right);
        QCOMPARE(window_->NumScroll()->value(), 2);
        QCOMPARE(window_->Num(0)->text(), QStringLiteral(" 2"));
        QCOMPARE(window_->boxText(0) + window_->boxText(2) + window_->boxText(1),
                 QStringLiteral("王五上海李四"));
        type(0, QStringLiteral("改"));
        QCOMPARE(batch->grid().text(2, 1), QStringLiteral("王五改"));
        QTest::keyClick(window_->NumScroll(), Qt::Key_Down);
        QTest::keyClick(window_->NumScroll(), Qt::Key_Left);
        QCOMPARE(window_->boxText(0), QStringLiteral("王五改"));
    }

    // "打  印": a cancelled printer dialog prints nothing; an accepted one reminds, then prints one
    // document titled with the payee; a form the check refuses asks nothing and says why.
    void printShown_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("cancelled") << "12" << false << QStringList{"printer"} << QStringList{};
        QTest::newRow("accepted") << "12" << true
                                  << QStringList{"printer", "请在您选择的打印机中放入邮政汇款单。"}
                                  << QStringList{"汇款单 张三"};
        QTest::newRow("refused") << "-3" << true << QStringList{"汇款单没有打印：\n汇款金额“-3”是负数"}
                                 << QStringList{};
    }
    void printShown() {
        QFETCH(QString, amount);
        QFETCH(bool, accept);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, printed);
        show();
        window_->setBoxText(0, QStringLiteral("张三"));
        window_->setBoxText(6, amount);
        dialogs().printerAnswers = {accept};
        window_->C1(0)->click();
        QStringList calls;
        for (const ScriptedDialogs::Call& call : dialogs().calls) {
            calls << (call.kind == ScriptedDialogs::Kind::Printer ? QStringLiteral("printer") : call.text);
        }
        QCOMPARE(calls, asked);
        QCOMPARE(titles(printer()), printed);
        QCOMPARE(appState().AskPrinter, std::uint8_t(255));
    }

    // "全部打印" without a batch: asked once with the sum, then the form shown once, without the
    // printer dialog.
    void printAllWithoutBatch() {
        show();
        window_->setBoxText(0, QStringLiteral("张三"));
        window_->setBoxText(6, QStringLiteral("1234.5"));
        dialogs().questionAnswers = {true};
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.size(), std::size_t(1));
        QCOMPARE(dialogs().calls[0].text,
                 QStringLiteral("将打印 1 个汇款单（收款人：张三），合计 ￥1,234.50。是否开始打印？"));
        QCOMPARE(titles(printer()), QStringList{"汇款单 张三"});
        QCOMPARE(appState().AskPrinter, std::uint8_t(0));
    }

    // A batch with a refused record: nothing printed before the question; the good records print, the
    // refused one stays unprinted; once corrected in the main window, the next "全部打印" starts there
    // and prints only it.
    void printAllResumes() {
        show();
        window_->setBoxText(1, QStringLiteral("李四"));
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "10"},
                                       {"王五", "上海", "200032", "壹佰元"},
                                       {"", "", "", ""},
                                       {"赵六", "广州", "510640", "30"}});
        QCOMPARE(window_->Num(1)->text(), QStringLiteral(" 4"));
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.back().text, QStringLiteral("1-4"));
        QCOMPARE(titles(printer()), (QStringList{"汇款单 1/4 张三", "汇款单 4/4 赵六"}));
        QVERIFY(printer().infos[0].numberedFile);
        QCOMPARE(batch->states()[0], RecordState::Printed);
        QCOMPARE(batch->states()[1], RecordState::NotPrinted);
        window_->NumScroll()->setValue(2);
        window_->setBoxText(6, QString());
        type(6, QStringLiteral("100"));
        QCOMPARE(batch->grid().text(2, 4), kYuan + QStringLiteral("100.00"));
        printer().infos.clear();
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.back().text, QStringLiteral("2-4"));
        QCOMPARE(titles(printer()), QStringList{"汇款单 2/4 王五"});
        QVERIFY(!leavingAsks());
    }

    // A printer that fails stops the run at that record, marks it, and says from where to resume;
    // printing to files, files already there are replaced only when the operator agrees.
    void printAllStops() {
        show();
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "10"}, {"王五", "上海", "200032", "20"}});
        printer().failToStart = true;
        window_->C1(6)->click();
        QCOMPARE(batch->states()[0], RecordState::Failed);
        QVERIFY(dialogs().messages().last().contains(QStringLiteral("再按“全部打印”可从第 1 个接着打印")));
        printer().failToStart = false;
        printer().file = services_->folder() + QStringLiteral("/forms.pdf");
        QFile(services_->folder() + QStringLiteral("/forms-02.pdf")).open(QIODevice::WriteOnly);
        dialogs().questionAnswers = {false};
        window_->C1(6)->click();
        QVERIFY(dialogs().calls.back().text.contains(QStringLiteral("forms-02.pdf")));
        QCOMPARE(printer().infos.size(), std::size_t(1));  // only the failed attempt
        dialogs().questionAnswers = {true, true};
        window_->C1(6)->click();
        QCOMPARE(titles(printer()).mid(1), (QStringList{"汇款单 1/2 张三", "汇款单 2/2 王五"}));
        QVERIFY(!leavingAsks());
    }

    // Leaving with a batch not yet printed is asked about; No keeps the program running.
    void leavingWithWorkUndone() {
        show();
        handOver({{"张三", "北京", "100080", "10"}});
        QVERIFY(leavingAsks());
        QCOMPARE(dialogs().calls.back().text,
                 QStringLiteral("批量数据中还有 1 个汇款单没有打印。确实要退出吗？"));
        test::settle();
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("主窗口")));
        window_->close();  // the close box, answered No
        test::settle();
        QVERIFY(window_->isVisible());
        dialogs().questionAnswers = {true};
        window_->close();
        test::settle();
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("主窗口")));
    }

    // The remitter's boxes, the mobile number, the message and the ticks come back at the next start;
    // "清空汇款单" empties them.
    void rememberedBoxes() {
        show();
        type(1, QStringLiteral("李四"));
        type(8, QStringLiteral("生日快乐"));
        window_->Chk(3)->setChecked(true);
        type(0, QStringLiteral("张三"));
        WindowRegistry::instance().destroyAll();
        window_ = WindowRegistry::instance().window<MainWindow>();
        QCOMPARE(window_->boxText(1) + window_->boxText(8) + window_->boxText(0),
                 QStringLiteral("李四生日快乐"));
        QVERIFY(window_->Chk(3)->isChecked());
        window_->C1(8)->click();
        WindowRegistry::instance().destroyAll();
        window_ = WindowRegistry::instance().window<MainWindow>();
        QCOMPARE(window_->boxText(1) + window_->boxText(8), QString());
        QVERIFY(!window_->Chk(3)->isChecked());
    }

    // The instance rule: a reference creates a window, hiding keeps it, closing destroys it and the
    // next reference creates it afresh; the exit command destroys every window.
    void instanceRule() {
        OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
        dialog->Text1(1)->setText(QStringLiteral("工资"));
        dialog->hide();
        QCOMPARE(WindowRegistry::instance().window<OpenWorkbookDialog>()->Text1(1)->text(),
                 QStringLiteral("工资"));
        dialog->close();
        test::settle();
        QCOMPARE(WindowRegistry::instance().window<OpenWorkbookDialog>()->Text1(1)->text(),
                 QStringLiteral("sheet1"));
        window_->C1(1)->click();
        test::settle();
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("fOpen")));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("主窗口")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
