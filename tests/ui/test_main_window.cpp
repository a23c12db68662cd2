// The main window: start-up, the boxes' rules, the record cursor over a batch, and every print path
// through a recording printer and scripted dialogs.

#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTest>

#include "app_state.h"
#include "batch_window.h"
#include "calibration.h"
#include "cases.h"
#include "collate_dialog.h"
#include "events.h"
#include "fonts.h"
#include "main_window.h"
#include "open_workbook_dialog.h"
#include "settings_store.h"
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
    test::ScriptedDialogs& dialogs() { return services_->dialogs; }

    void show() {
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    // The texts of boxes Txt(i), and of Num(0) and Num(1) for -1 and -2.
    QStringList boxes(std::initializer_list<int> indexes) const {
        QStringList texts;
        for (const int i : indexes) {
            texts << (i < 0 ? window_->Num(-1 - i)->text() : window_->boxText(i));
        }
        return texts;
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
        CalibrationStore(services_->settings()).save({{10}, {10}});
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
        QCOMPARE(boxes({-1, -2}), (QStringList{"1", "1"}));
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("0.00"));
        QCOMPARE(window_->focusWidget(), window_->Txt(0));
        QStringList order;  // the boxes, the first check box and the buttons, as Tab goes
        for (QWidget* w = window_->Txt(0); order.size() < 19; w = w->nextInFocusChain()) {
            const QString name = w->objectName();
            if (name.startsWith(QLatin1String("Txt_")) || name.startsWith(QLatin1String("C1_")) ||
                name == QLatin1String("Chk_0")) {
                order << name;
            }
        }
        QCOMPARE(order, (QStringList{"Txt_0", "Txt_4", "Txt_2", "Txt_1", "Txt_5", "Txt_3", "Txt_7", "Txt_6",
                                     "Txt_8", "Chk_0", "C1_6", "C1_0", "C1_1", "C1_3", "C1_4", "C1_5", "C1_2",
                                     "C1_7", "C1_8"}));
        // Tab leaves a several-line box as it leaves any other.
        window_->Txt(2)->setFocus();
        QTest::keyClick(window_->Txt(2), Qt::Key_Tab);
        QCOMPARE(window_->focusWidget(), window_->Txt(1));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("表格")));
    }

    // windows/typed-boxes.txt: what the boxes take and how the amount reads once left: digits and the point
    // only in boxes 4 to 7; the amount cut to two decimals, a text that is no amount kept and marked.
    void boxes_data() {
        test::AddRows(QStringLiteral("windows/typed-boxes.txt"), "box:i typed:s shown:s marked:t");
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
        QCOMPARE(window_->Txt(box)->toolTip().startsWith(QStringLiteral("请注意")),
                 box == 4 && !marked && typed.contains(u'.'));
        QCOMPARE(window_->Txt(box)->palette().color(QPalette::Text) == QColor(0xC0, 0, 0), marked);
    }

    // windows/pasted-boxes.txt: what reaches a box other than by a key: a paste, an input method's commit. A
    // numeric box refuses what it would not take from the keyboard; every box takes no more than its limit,
    // the rest cut.
    void pastedAndComposed_data() {
        // how: paste, compose, type (key by key) or Return
        test::AddRows(QStringLiteral("windows/pasted-boxes.txt"), "box:i before:s how:s text:s after:s");
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
        window_->Txt(0)->setFocus();  // the box being typed in is tinted
        QCOMPARE(window_->Txt(0)->palette().color(QPalette::Base), QColor(255, 246, 191, 170));
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
    // boxes alone; Right and Down move forward; an edit of a payee box stays out of the grid, and moving
    // away and back shows the grid's values again; a record without an amount shows ￥0.00.
    void recordCursor() {
        show();
        window_->setBoxText(1, QStringLiteral("李四"));
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "1,200"},
                                       {"王五", "上海", "200032", "12.5"},
                                       {"赵六", "广州", "510640", ""}});
        QCOMPARE(window_->Num(1)->text(), QStringLiteral(" 3"));
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("1200.00"));
        window_->NumScroll()->setFocus();
        QTest::keyClick(window_->NumScroll(), Qt::Key_Right);
        QCOMPARE(window_->NumScroll()->value(), 2);
        QCOMPARE(window_->Num(0)->text(), QStringLiteral(" 2"));
        QCOMPARE(boxes({0, 2, 1}), (QStringList{"王五", "上海", "李四"}));
        type(0, QStringLiteral("改"));
        QCOMPARE(window_->boxText(0), QStringLiteral("王五改"));
        QCOMPARE(batch->grid().text(2, 1), QStringLiteral("王五"));
        QTest::keyClick(window_->NumScroll(), Qt::Key_Down);
        QCOMPARE(window_->boxText(6), kYuan + QStringLiteral("0.00"));
        QTest::keyClick(window_->NumScroll(), Qt::Key_Left);
        QCOMPARE(window_->boxText(0), QStringLiteral("王五"));
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
        for (const test::ScriptedDialogs::Call& call : dialogs().calls) {
            calls << (call.kind == test::ScriptedDialogs::Kind::Printer ? QStringLiteral("printer")
                                                                        : call.text);
        }
        QCOMPARE(calls, asked);
        QCOMPARE(titles(printer()), printed);
        QCOMPARE(appState().AskPrinter, std::uint8_t(255));
    }

    // "全部打印" without a batch: the form shown, once, without the printer dialog or any question; the
    // journal holds its ticks as the boxes show them (a greyed box is no tick).
    void printAllWithoutBatch() {
        show();
        window_->setBoxText(0, QStringLiteral("张三"));
        window_->setBoxText(6, QStringLiteral("1234.5"));
        window_->Chk(3)->setCheckState(Qt::Checked);
        window_->Chk(4)->setCheckState(Qt::PartiallyChecked);
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.size(), std::size_t(0));
        QCOMPARE(titles(printer()), QStringList{"汇款单 张三"});
        QCOMPARE(appState().AskPrinter, std::uint8_t(0));
        using enum CheckValue;
        QCOMPARE(services_->journal.entriesOn(QDate::currentDate()).back().form.checks,
                 (std::array{Clear, Clear, Clear, Ticked, Greyed, Clear, Clear, Clear, Clear}));
    }

    // A clean batch prints straight through, one document a record, with no question; the remitter's
    // boxes go on every form.
    void printAllClean() {
        show();
        window_->setBoxText(1, QStringLiteral("李四"));
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "10"},
                                       {"王五", "上海", "200032", "20"},
                                       {"赵六", "广州", "5106", "30"}});
        window_->NumScroll()->setValue(2);
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.size(), std::size_t(0));
        QCOMPARE(titles(printer()), (QStringList{"汇款单 1/3 张三", "汇款单 2/3 王五", "汇款单 3/3 赵六"}));
        QCOMPARE(printer().documents.size(), std::size_t(3));
        for (int record = 0; record < 3; ++record) {
            QVERIFY(printer().infos[std::size_t(record)].numberedFile);
            QCOMPARE(batch->states()[std::size_t(record)], RecordState::Printed);
        }
        QCOMPARE(boxes({0, 1}), (QStringList{"赵六", "李四"}));
        // The same batch again, as after a restart: the journal knows what was sent.
        batch->close();
        test::settle();
        handOver({{"张三", "北京", "100080", "10"}, {"王五", "上海", "200032", "20"}});
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.size(), std::size_t(1));
        QVERIFY(dialogs().calls[0].text.contains(QStringLiteral("第 2 个（王五）：已于 ")));
        QVERIFY(dialogs().calls[0].text.contains(QStringLiteral(" 发送到 Recorder")));
        QCOMPARE(dialogs().calls[0].buttons, (QStringList{"连同已打印的 2 个一起打印", "不打印"}));
        QCOMPARE(printer().infos.size(), std::size_t(3));
    }

    // Something wrong: one question naming it, whose safe answer prints nothing; the records refused
    // stay unprinted; printed records are left out the next time unless asked for.
    void printAllAsks() {
        show();
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "10"},
                                       {"王五", "上海", "200032", "壹佰元"},
                                       {"", "", "", ""},
                                       {"赵六", "广州", "510640", "30"}});
        window_->C1(6)->click();  // answered with the safe button
        QCOMPARE(dialogs().calls.size(), std::size_t(1));
        const test::ScriptedDialogs::Call question = dialogs().calls[0];
        QCOMPARE(question.text,
                 QStringLiteral("以下 1 个汇款单不能打印：\n第 2 个（王五）：汇款金额“壹佰元”不是数字\n\n"
                                "其余 2 个汇款单可以打印，合计 ￥40.00。"));
        QCOMPARE(question.buttons, (QStringList{"打印 2 个汇款单", "不打印"}));
        QCOMPARE(printer().infos.size(), std::size_t(0));
        dialogs().choiceAnswers = {0};
        window_->C1(6)->click();
        QCOMPARE(titles(printer()), (QStringList{"汇款单 1/4 张三", "汇款单 4/4 赵六"}));
        QCOMPARE(batch->states()[1], RecordState::NotPrinted);
        batch->grid().setText(2, 4, QStringLiteral("100"));
        printer().infos.clear();
        dialogs().choiceAnswers = {0};
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.back().buttons,
                 (QStringList{"打印 1 个汇款单", "连同已打印的 2 个一起打印", "不打印"}));
        QVERIFY(
            dialogs().calls.back().text.contains(QStringLiteral("第 4 个（赵六）：在这批数据中已经打印")));
        QCOMPARE(titles(printer()), QStringList{"汇款单 2/4 王五"});
        printer().infos.clear();
        dialogs().choiceAnswers = {0};
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.back().buttons, (QStringList{"连同已打印的 3 个一起打印", "不打印"}));
        QCOMPARE(titles(printer()), (QStringList{"汇款单 1/4 张三", "汇款单 2/4 王五", "汇款单 4/4 赵六"}));
    }

    // Payee boxes changed on the record shown: the question says the change will not print.
    void printAllEditedRecord() {
        show();
        handOver({{"张三", "北京", "100080", "10"}, {"王五", "上海", "200032", "20"}});
        type(0, QStringLiteral("改"));
        window_->C1(6)->click();
        QCOMPARE(dialogs().calls.size(), std::size_t(1));
        QVERIFY(dialogs().calls[0].text.contains(
            QStringLiteral("第 1 个汇款单在主窗口中的修改不会打印，请在批量数据中修改")));
        QCOMPARE(printer().infos.size(), std::size_t(0));
    }

    // A printer that fails stops the run at that record, marks it, and says so; printing to files,
    // files already there are replaced only when the operator agrees.
    void printAllStops() {
        show();
        BatchWindow* batch = handOver({{"张三", "北京", "100080", "10"}, {"王五", "上海", "200032", "20"}});
        printer().failAt = 2;
        window_->C1(6)->click();
        QCOMPARE(batch->states()[0], RecordState::Printed);
        QCOMPARE(batch->states()[1], RecordState::Failed);
        QVERIFY(dialogs().messages().last().startsWith(
            QStringLiteral("已打印 1 个汇款单，共 2 个。第 2 个汇款单没有打印，打印已停止：\n")));
        printer().failAt = 0;
        printer().infos.clear();
        printer().file = services_->folder() + QStringLiteral("/forms.pdf");
        QFile(services_->folder() + QStringLiteral("/forms-02.pdf")).open(QIODevice::WriteOnly);
        dialogs().choiceAnswers = {0, 0};
        dialogs().questionAnswers = {false};
        window_->C1(6)->click();
        QVERIFY(dialogs().calls.back().text.contains(QStringLiteral("forms-02.pdf")));
        QCOMPARE(printer().infos.size(), std::size_t(0));
        dialogs().questionAnswers = {true};
        window_->C1(6)->click();
        QCOMPARE(titles(printer()), QStringList{"汇款单 2/2 王五"});
    }

    // The calibration: a stored value that is no distance refuses printing, naming it; with none
    // stored, the operator is asked once whether to calibrate first.
    void printingNeedsACalibration() {
        show();
        window_->setBoxText(0, QStringLiteral("张三"));
        window_->setBoxText(6, QStringLiteral("12"));
        services_->settings().save(QStringLiteral("Velmora"), QStringLiteral("Collate"), QStringLiteral("X"),
                                   QStringLiteral("500"));
        window_->C1(6)->click();
        QCOMPARE(dialogs().messages().size(), 1);
        QVERIFY(dialogs().messages()[0].contains(QStringLiteral("X=“500”")));
        QVERIFY(dialogs().messages()[0].contains(QStringLiteral("打印机校准")));
        services_->settings().save(QStringLiteral("Velmora"), QStringLiteral("Collate"), QStringLiteral("X"),
                                   {});
        services_->settings().save(QStringLiteral("Velmora"), QStringLiteral("Collate"), QStringLiteral("Y"),
                                   {});
        dialogs().questionAnswers = {true, false};  // calibrate first; then no figure
        window_->C1(6)->click();
        QVERIFY(
            dialogs().texts(test::ScriptedDialogs::Kind::Question)[0].contains(QStringLiteral("还没有校准")));
        QCOMPARE(printer().infos.size(), std::size_t(0));
        QVERIFY(WindowRegistry::instance().loaded<CollateDialog>()->isVisible());
    }

    // "退  出" ends the program at once, a batch not printed or not, and unloads every window, a hidden
    // one too (hiding keeps a window with what was typed).
    void exitEndsAtOnce() {
        show();
        handOver({{"张三", "北京", "100080", "10"}});
        QCOMPARE(window_->NumScroll()->maximum(), 1);
        OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
        dialog->Text1(1)->setText(QStringLiteral("工资"));
        dialog->hide();
        QCOMPARE(WindowRegistry::instance().window<OpenWorkbookDialog>()->Text1(1)->text(),
                 QStringLiteral("工资"));
        window_->C1(1)->click();
        test::settle();
        QCOMPARE(dialogs().calls.size(), std::size_t(0));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("fOpen")));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("主窗口")));
    }

    // Nothing typed comes back at the next start, and the settings hold the calibration only;
    // "清空汇款单" empties the remitter's boxes and the ticks. The remitters of forms sent are offered
    // as completions of the remitter's name, and fill the address and postcode only when chosen.
    void nothingRemembered() {
        show();
        type(1, QStringLiteral("李四"));
        type(8, QStringLiteral("生日快乐"));
        window_->Chk(3)->setChecked(true);
        window_->C1(8)->click();
        QCOMPARE(boxes({1, 8}), (QStringList{"", ""}));
        QVERIFY(!window_->Chk(3)->isChecked());
        type(1, QStringLiteral("李四"));
        window_->setBoxText(3, QStringLiteral("南京市中山路18号"));
        window_->setBoxText(5, QStringLiteral("210008"));
        window_->setBoxText(6, QStringLiteral("5"));
        window_->C1(6)->click();
        WindowRegistry::instance().destroyAll();
        window_ = WindowRegistry::instance().window<MainWindow>();
        show();
        window_->Txt(1)->setFocus();
        QCOMPARE(boxes({1, 3, 5}), (QStringList{"", "", ""}));
        QCompleter* offered = static_cast<QLineEdit*>(window_->Txt(1))->completer();
        QVERIFY(offered);
        QCOMPARE(offered->model()->index(0, 0).data().toString(), QStringLiteral("李四"));
        Q_EMIT offered->activated(QStringLiteral("李四"));
        QCOMPARE(boxes({3, 5}), (QStringList{"南京市中山路18号", "210008"}));
        QSettings raw(services_->folder() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
        QCOMPARE(raw.childGroups(), QStringList{QStringLiteral("Collate")});
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
