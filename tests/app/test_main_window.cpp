#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "app/app_state.h"
#include "app/entry_boxes.h"
#include "app/fonts.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "support/test_services.h"

using namespace velmora;
using namespace Qt::StringLiterals;

namespace {

const QString kYuan = QStringLiteral("\uFFE5");

// What the recording print run saw at each call.
struct PrintCall {
    QString payeeName;
    QString payeeAddress;
    QString payeePostcode;
    QString amount;
    QString remitterName;
    int check0 = 0;
    int askPrinter = 0;
    int position = 0;
};

bool amountMarked(MainWindow* window) {
    return window->Txt(6)->toolTip().startsWith(QStringLiteral("不能打印"));
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;
    MainWindow* window_ = nullptr;
    std::vector<PrintCall> calls_;
    // What the print run answers, by call number from 1; Printed when absent.
    std::map<int, PrintResult> answers_;
    // Called inside the print run, by call number.
    std::map<int, std::function<void()>> during_;

    MainWindow* window() { return window_; }

    void record() {
        window_->setPrintRun([this](const FormContent& form, QWidget* parent) {
            PrintCall call;
            call.payeeName = form.text[0];
            call.payeeAddress = form.text[2];
            call.payeePostcode = form.text[4];
            call.amount = form.text[6];
            call.remitterName = form.text[1];
            call.check0 = form.check[0];
            call.askPrinter = appState().AskPrinter;
            call.position = window_->NumScroll()->value();
            calls_.push_back(call);
            Q_ASSERT(parent == window_);
            const int n = static_cast<int>(calls_.size());
            if (during_.count(n)) {
                during_[n]();
            }
            return answers_.count(n) ? answers_[n] : PrintResult{};
        });
    }

    // A batch of `count` records in the grid, handed over as the batch window does.
    void loadBatch(int count) {
        Grid& grid = WindowRegistry::instance().window<BatchWindow>()->grid();
        for (int r = 1; r <= count; ++r) {
            grid.setText(r, 1, QStringLiteral("收款人%1").arg(r));
            grid.setText(r, 2, QStringLiteral("地址%1").arg(r));
            grid.setText(r, 3, QStringLiteral("10000%1").arg(r));
            grid.setText(r, 4, QStringLiteral("%1.5").arg(r * 100));
        }
        window_->Num(1)->setText(QStringLiteral(" %1").arg(count));
        window_->NumScroll()->setMaximum(count);
        window_->NumScroll()->setPageStep(count);
        window_->NumScroll()->setValue(1);
    }

    void showAndActivate() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    void type(int box, const QString& keys) {
        window_->Txt(box)->setFocus();
        QVERIFY(window_->Txt(box)->hasFocus());
        QTest::keyClicks(window_->Txt(box), keys);
    }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() {
        services_ = std::make_unique<test::TestServices>();
        resetAppState();
        calls_.clear();
        answers_.clear();
        during_.clear();
        window_ = WindowRegistry::instance().window<MainWindow>();
        record();
    }

    void cleanup() {
        QCoreApplication::sendPostedEvents();
        WindowRegistry::instance().destroyAll();
        window_ = nullptr;
        services_.reset();
    }

    // The amount box, normalised as when the operator leaves it or a record is shown.
    void amountBox_data() {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("marked");
        // The formatting itself is FormatAmount's (tested with it); these rows are the box's part.
        QTest::newRow("empty") << "" << kYuan + "0.00" << false;
        QTest::newRow("one decimal") << "12.5" << kYuan + "12.50" << false;
        QTest::newRow("already normalised") << kYuan + "12.50" << kYuan + "12.50" << false;
        QTest::newRow("largest the form holds") << "9999999.99" << kYuan + "9999999.99" << false;
        // The nine boxes cannot hold these: every digit stays, the box is marked.
        QTest::newRow("nine digits keep all") << "123456789" << kYuan + "123456789.00" << true;
        QTest::newRow("ten million") << "10000000" << kYuan + "10000000.00" << true;
        QTest::newRow("eleven characters") << "12345678901" << kYuan + "12345678901.00" << true;
        QTest::newRow("negative from a workbook") << "-3" << kYuan + "-3.00" << true;
        QTest::newRow("exponent form") << "1E16" << kYuan + "1E+16.00" << true;
    }
    void amountBox() {
        QFETCH(QString, entered);
        QFETCH(QString, shown);
        QFETCH(bool, marked);
        window()->setBoxText(6, entered);
        window()->normaliseField(6);
        QCOMPARE(window()->boxText(6), shown);
        QCOMPARE(amountMarked(window()), marked);
        QCOMPARE(window()->Txt(6)->palette().color(QPalette::Text) == QColor(0xC0, 0, 0), marked);
        // Normalising again changes nothing.
        window()->normaliseField(6);
        QCOMPARE(window()->boxText(6), shown);
        QCOMPARE(window()->formContent().text[6], shown);
    }

    void amountShowsZeroAfterTheFirstPaint() {
        QCOMPARE(window()->boxText(6), QString());
        window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        QTRY_COMPARE(window()->boxText(6), kYuan + "0.00");
        QCOMPARE(window()->Num(0)->text(), QStringLiteral("1"));
        QCOMPARE(window()->Num(1)->text(), QStringLiteral("1"));
    }

    void leavingTheAmountBoxNormalisesIt() {
        showAndActivate();
        window()->setBoxText(6, QString());
        type(6, QStringLiteral("12.5"));
        QCOMPARE(window()->boxText(6), QStringLiteral("12.5"));
        // A repaint while the operator types leaves the typing alone.
        window()->repaint();
        QCOMPARE(window()->boxText(6), QStringLiteral("12.5"));
        QTest::keyClick(window()->Txt(6), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window()->Txt(8));
        QCOMPARE(window()->boxText(6), kYuan + "12.50");
        // Typing an amount the form cannot hold marks it at once.
        window()->setBoxText(6, QString());
        type(6, QStringLiteral("12345678"));
        QVERIFY(amountMarked(window()));
    }

    // The click that focuses the amount box selects the whole amount, wherever it lands: what is
    // typed then replaces the normalised text instead of joining its digits.
    void clickingIntoTheAmountBox_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<double>("where");  // across the box, from its left edge
        QTest::newRow("zero, on its digits") << QString() << 0.95;
        QTest::newRow("zero, left of its digits") << QString() << 0.1;
        QTest::newRow("earlier amount, on its digits") << QStringLiteral("12.5") << 0.9;
    }
    void clickingIntoTheAmountBox() {
        QFETCH(QString, before);
        QFETCH(double, where);
        showAndActivate();
        window()->setBoxText(6, before);
        window()->normaliseField(6);
        auto* amount = static_cast<QLineEdit*>(window()->Txt(6));
        const QPoint at(static_cast<int>(amount->width() * where), amount->height() / 2);
        window()->Txt(0)->setFocus();
        QTest::mouseClick(amount, Qt::LeftButton, {}, at);
        QVERIFY(amount->hasFocus());
        QTest::keyClicks(amount, QStringLiteral("30"));
        QTest::keyClick(amount, Qt::Key_Tab);
        QCOMPARE(window()->boxText(6), kYuan + "30.00");
        // In the box, a further click places the caret for an edit.
        QTest::mouseClick(amount, Qt::LeftButton, {}, at);
        QCOMPARE(amount->selectedText(), kYuan + "30.00");
        QTest::mouseClick(amount, Qt::LeftButton, {}, at);
        QVERIFY(!amount->hasSelectedText());
    }

    void keyFiltering_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("payee name takes letters") << 0 << "ab1" << u"ab1"_s;
        QTest::newRow("remitter name") << 1 << "x-y" << u"x-y"_s;
        QTest::newRow("payee address") << 2 << "A,1" << u"A,1"_s;
        QTest::newRow("remitter address") << 3 << "b/2" << u"b/2"_s;
        QTest::newRow("payee postcode") << 4 << "1a0-0 0." << u"1000."_s;
        QTest::newRow("remitter postcode") << 5 << "5,1" << u"51"_s;
        QTest::newRow("amount") << 6 << "1x2/.5" << u"12.5"_s;
        QTest::newRow("mobile") << 7 << "138+1" << u"1381"_s;
        QTest::newRow("message") << 8 << "hi!" << u"hi!"_s;
        QTest::newRow("payee name stops at 10") << 0 << "abcdefghijkl" << u"abcdefghij"_s;
        QTest::newRow("postcode stops at 6") << 4 << "12345678" << u"123456"_s;
        QTest::newRow("mobile stops at 11") << 7 << "1381234567890" << u"13812345678"_s;
        QTest::newRow("amount stops at 11") << 6 << "1234567890123" << u"12345678901"_s;
        QTest::newRow("message stops at 30") << 8 << QString(35, 'm') << QString(30, 'm');
    }
    void keyFiltering() {
        QFETCH(int, box);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        showAndActivate();
        window()->setBoxText(box, QString());
        type(box, keys);
        QCOMPARE(window()->boxText(box), expected);
        // Backspace is a key the numeric boxes admit.
        QTest::keyClick(window()->Txt(box), Qt::Key_Backspace);
        QCOMPARE(window()->boxText(box), expected.chopped(1));
    }

    // Pasted text reaches a numeric box only when the key filter would admit every character of it,
    // and only as much as fits.
    void pasting_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digits into a postcode") << 4 << "" << u"100037"_s << u"100037"_s;
        QTest::newRow("letters refused") << 4 << "12" << u"3a"_s << u"12"_s;
        QTest::newRow("a blank refused") << 7 << "" << u"138 1234"_s << QString();
        QTest::newRow("cut to the limit") << 5 << "51" << u"06101234"_s << u"510610"_s;
        QTest::newRow("amount with the sign refused") << 6 << "" << kYuan + "12.50" << QString();
        QTest::newRow("any text into a name") << 0 << "" << u"张三"_s << u"张三"_s;
        QTest::newRow("name cut to the limit")
            << 1 << "" << u"一二三四五六七八九十十一"_s << u"一二三四五六七八九十"_s;
        QTest::newRow("message cut to the limit")
            << 8 << QString(28, 'm') << u"abcd"_s << QString(28, 'm') + "ab";
    }
    void pasting() {
        QFETCH(int, box);
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, expected);
        showAndActivate();
        window()->setBoxText(box, before);
        window()->Txt(box)->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(window()->Txt(box))) {
            line->end(false);
        } else {
            static_cast<QPlainTextEdit*>(window()->Txt(box))->moveCursor(QTextCursor::End);
        }
        QApplication::clipboard()->setText(clipboard);
        QTest::keyClick(window()->Txt(box), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(window()->boxText(box), expected);
    }

    // Text set from code is kept whole, however long: a long amount keeps all its digits.
    void textFromCodeIsKeptWhole() {
        const QString longName = QStringLiteral("一二三四五六七八九十十一十二");
        window()->setBoxText(0, longName);
        QCOMPARE(window()->boxText(0), longName);
        const QString longMessage(45, QLatin1Char('m'));
        window()->setBoxText(8, longMessage);
        QCOMPARE(window()->boxText(8), longMessage);
        window()->setBoxText(6, kYuan + QStringLiteral("123456789.00"));
        QCOMPARE(window()->boxText(6), kYuan + QStringLiteral("123456789.00"));
        // Editing such a box may shorten it but not lengthen it.
        showAndActivate();
        auto* amount = static_cast<QLineEdit*>(window()->Txt(6));
        amount->setFocus();
        amount->end(false);
        QTest::keyClick(amount, Qt::Key_5);
        QCOMPARE(amount->text(), kYuan + QStringLiteral("123456789.00"));
        QTest::keyClick(amount, Qt::Key_Backspace);
        QCOMPARE(amount->text(), kYuan + QStringLiteral("123456789.0"));
        QTest::keyClick(amount, Qt::Key_5);
        QCOMPARE(amount->text(), kYuan + QStringLiteral("123456789.0"));
        amount->selectAll();
        QTest::keyClicks(amount, QStringLiteral("12.5"));
        QCOMPARE(amount->text(), QStringLiteral("12.5"));
    }

    void tabOrderAndFirstFocus() {
        QCOMPARE(window()->focusWidget(), window()->Txt(0));
        showAndActivate();
        QCOMPARE(QApplication::focusWidget(), window()->Txt(0));
        QStringList expected = {"Txt_4", "Txt_2", "Txt_1", "Txt_5", "Txt_3", "Txt_7", "Txt_6", "Txt_8"};
        for (int i = 0; i < 9; ++i) {
            expected << QStringLiteral("Chk_%1").arg(i);
        }
        for (const int i : {6, 0, 1, 3, 4, 5}) {
            if (window()->C1(i)) {
                expected << QStringLiteral("C1_%1").arg(i);
            }
        }
        expected << QStringLiteral("NumScroll") << QStringLiteral("Txt_0");
        for (const QString& name : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            // The print preview button has no place of its own in the order checked here.
            if (QApplication::focusWidget()->objectName() == QStringLiteral("C1_2")) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
        }
    }

    // Every box, label and button shows in the Song face, which resolves to the installed substitute.
    void songFaceEverywhere() {
        const QList<QWidget*> widgets = window()->findChildren<QWidget*>() << window();
        int checked = 0;
        for (QWidget* widget : widgets) {
            if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
                qobject_cast<QLabel*>(widget) || qobject_cast<QPushButton*>(widget) || widget == window()) {
                QVERIFY2(widget->font().family() == QStringLiteral("宋体"), qPrintable(widget->objectName()));
                QCOMPARE(QFontInfo(widget->font()).family(), QStringLiteral("AR PL UMing CN"));
                ++checked;
            }
        }
        QVERIFY(checked >= 20);
        QVERIFY(window()->Txt(0)->font().bold());
        QVERIFY(!window()->Txt(1)->font().bold());
    }

    void designValues() {
        QCOMPARE(window()->objectName(), QStringLiteral("主窗口"));
        QCOMPARE(window()->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(window()->minimumSize(), window()->maximumSize());
        QVERIFY(!(window()->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QCOMPARE(window()->Envelop()->pixmap().size(), QSize(700, 329));
        QScrollBar* scroll = window()->NumScroll();
        QCOMPARE(scroll->minimum(), 1);
        QCOMPARE(scroll->maximum(), 1);
        QCOMPARE(scroll->value(), 1);
        QVERIFY(!window()->Num(0)->isEnabled() && !window()->Num(1)->isEnabled());
        QCOMPARE(window()->Lbl(1)->text(), QStringLiteral("第　　　　个汇款单共　　　　个汇款单"));
        QCOMPARE(window()->C1(0)->text(), QStringLiteral("打  印"));
        QCOMPARE(window()->C1(1)->text(), QStringLiteral("退  出"));
        QCOMPARE(window()->C1(3)->text(), QStringLiteral("打印机校准"));
        QCOMPARE(window()->C1(5)->text(), QStringLiteral("帮助/版权"));
        QCOMPARE(window()->C1(6)->text(), QStringLiteral("全部打印"));
        QCOMPARE(static_cast<QLineEdit*>(window()->Txt(6))->alignment() & Qt::AlignRight, Qt::AlignRight);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(window()->Txt(i)->parentWidget(), window()->Envelop());
            QCOMPARE(window()->Chk(i)->parentWidget(), window()->Envelop());
            QVERIFY(window()->Envelop()->rect().contains(window()->Txt(i)->geometry()));
        }
    }

    // Moving the record cursor shows the grid's row in the payee boxes; the remitter's entries stay.
    void recordChange() {
        window()->setBoxText(1, QStringLiteral("李秀英"));
        window()->setBoxText(5, QStringLiteral("510610"));
        window()->Chk(3)->setChecked(true);
        loadBatch(3);
        window()->NumScroll()->setValue(2);
        QCOMPARE(window()->Num(0)->text(), QStringLiteral(" 2"));
        QCOMPARE(window()->boxText(0), QStringLiteral("收款人2"));
        QCOMPARE(window()->boxText(2), QStringLiteral("地址2"));
        QCOMPARE(window()->boxText(4), QStringLiteral("100002"));
        QCOMPARE(window()->boxText(6), kYuan + QStringLiteral("200.50"));
        QCOMPARE(window()->boxText(1), QStringLiteral("李秀英"));
        QCOMPARE(window()->boxText(5), QStringLiteral("510610"));
        QVERIFY(window()->Chk(3)->isChecked());
        for (const int i : {4, 5}) {
            auto* box = static_cast<EntryLineEdit*>(window()->Txt(i));
            QVERIFY(box->showsSpacedText());
            QCOMPARE(box->extraSpacing(), 6);
        }
        // Edits are not written back: record 2 shows the grid's values again.
        window()->setBoxText(0, QStringLiteral("改过"));
        window()->NumScroll()->setValue(3);
        window()->NumScroll()->setValue(2);
        QCOMPARE(window()->boxText(0), QStringLiteral("收款人2"));
        // Setting the position it already has loads nothing.
        window()->setBoxText(0, QStringLiteral("改过"));
        window()->NumScroll()->setValue(2);
        QCOMPARE(window()->boxText(0), QStringLiteral("改过"));
    }

    void recordChangeCreatesTheBatchWindow() {
        QVERIFY(!WindowRegistry::instance().loaded<BatchWindow>());
        window()->NumScroll()->setMaximum(2);
        window()->NumScroll()->setValue(2);
        QVERIFY(WindowRegistry::instance().loaded<BatchWindow>());
        QVERIFY(!WindowRegistry::instance().loaded<BatchWindow>()->isVisible());
        QCOMPARE(window()->boxText(6), kYuan + QStringLiteral("0.00"));
    }

    // "打  印" prints the form shown after the printer dialog; a failure or refusal is told, a
    // cancelled dialog is not.
    void printShown_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("printed") << static_cast<int>(PrintStatus::Printed) << QString();
        QTest::newRow("failed") << static_cast<int>(PrintStatus::Failed) << u"打印机脱机"_s;
        QTest::newRow("refused") << static_cast<int>(PrintStatus::Refused) << u"金额不能为负数"_s;
        QTest::newRow("cancelled") << static_cast<int>(PrintStatus::Cancelled) << QString();
    }
    void printShown() {
        QFETCH(int, status);
        QFETCH(QString, reason);
        answers_[1] = PrintResult{static_cast<PrintStatus>(status), reason};
        window()->setBoxText(0, QStringLiteral("张明华"));
        window()->C1(0)->click();
        QCOMPARE(calls_.size(), std::size_t{1});
        QCOMPARE(calls_[0].askPrinter, 255);
        QCOMPARE(calls_[0].payeeName, QStringLiteral("张明华"));
        const QStringList messages = services_->dialogs.messages();
        QCOMPARE(services_->dialogs.calls.size(), reason.isEmpty() ? 0u : 1u);
        if (!reason.isEmpty()) {
            QVERIFY(messages[0].contains(reason));
            QCOMPARE(services_->dialogs.calls[0].title, QString());
        }
    }

    // Without a batch the count is 1: the form shown is printed once, without the printer dialog.
    void printAllWithoutABatch() {
        window()->setBoxText(0, QStringLiteral("张明华"));
        window()->setBoxText(6, QStringLiteral("88"));
        window()->C1(6)->click();
        QCOMPARE(calls_.size(), std::size_t{1});
        QCOMPARE(calls_[0].askPrinter, 0);
        QCOMPARE(calls_[0].payeeName, QStringLiteral("张明华"));
        QCOMPARE(calls_[0].amount, QStringLiteral("88"));
        QCOMPARE(calls_[0].position, 1);
        QVERIFY(!WindowRegistry::instance().loaded<BatchWindow>());
        QVERIFY(services_->dialogs.calls.empty());
    }

    void printAllStepsThroughTheBatch() {
        window()->setBoxText(1, QStringLiteral("李秀英"));
        window()->Chk(0)->setChecked(true);
        loadBatch(3);
        window()->NumScroll()->setValue(2);
        bool progressShown = false;
        during_[2] = [&] {
            auto* progress = window()->findChild<QProgressDialog*>();
            progressShown = progress && progress->isVisible() &&
                            progress->labelText() == QStringLiteral("第 2 个，共 3 个");
        };
        window()->C1(6)->click();
        QCOMPARE(calls_.size(), std::size_t{3});
        for (int k = 0; k < 3; ++k) {
            const PrintCall& call = calls_[k];
            QCOMPARE(call.position, k + 1);
            QCOMPARE(call.payeeName, QStringLiteral("收款人%1").arg(k + 1));
            QCOMPARE(call.payeeAddress, QStringLiteral("地址%1").arg(k + 1));
            QCOMPARE(call.payeePostcode, QStringLiteral("10000%1").arg(k + 1));
            QCOMPARE(call.amount, kYuan + QStringLiteral("%1.50").arg((k + 1) * 100));
            QCOMPARE(call.remitterName, QStringLiteral("李秀英"));
            QCOMPARE(call.check0, 1);
            QCOMPARE(call.askPrinter, 0);
        }
        QVERIFY(progressShown);
        QVERIFY(services_->dialogs.calls.empty());
        QCOMPARE(window()->Num(0)->text(), QStringLiteral(" 3"));
    }

    void printAllCanBeStopped() {
        loadBatch(4);
        during_[2] = [&] { window()->findChild<QProgressDialog*>()->cancel(); };
        window()->C1(6)->click();
        QCOMPARE(calls_.size(), std::size_t{2});
        const QStringList messages = services_->dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("已打印 2 个汇款单")));
        QVERIFY(messages[0].contains(QStringLiteral("共 4 个")));
    }

    // The first form that does not print ends the run: a failure or refusal is told with how far it
    // got, a cancelled printer dialog silently.
    void printAllStopsAtTheFirstFailure_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("failed") << static_cast<int>(PrintStatus::Failed) << u"打印机脱机"_s;
        QTest::newRow("refused") << static_cast<int>(PrintStatus::Refused) << u"金额超出范围"_s;
        QTest::newRow("cancelled") << static_cast<int>(PrintStatus::Cancelled) << QString();
    }
    void printAllStopsAtTheFirstFailure() {
        QFETCH(int, status);
        QFETCH(QString, reason);
        loadBatch(5);
        answers_[3] = PrintResult{static_cast<PrintStatus>(status), reason};
        window()->C1(6)->click();
        QCOMPARE(calls_.size(), std::size_t{3});
        const QStringList messages = services_->dialogs.messages();
        QCOMPARE(services_->dialogs.calls.size(), reason.isEmpty() ? 0u : 1u);
        if (!reason.isEmpty()) {
            QVERIFY(messages[0].contains(QStringLiteral("已打印 2 个汇款单，共 5 个")));
            QVERIFY(messages[0].contains(QStringLiteral("第 3 个汇款单没有打印")));
            QVERIFY(messages[0].contains(reason));
            QCOMPARE(services_->dialogs.calls[0].icon, MessageIcon::Exclamation);
        }
        QVERIFY(!window()->findChild<QProgressDialog*>() ||
                !window()->findChild<QProgressDialog*>()->isVisible());
    }

    void printAllCount_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("printed");
        QTest::addColumn<int>("messages");
        QTest::newRow("zero") << " 0" << 0 << 0;
        QTest::newRow("negative") << "-2" << 0 << 0;
        QTest::newRow("no number") << "" << 0 << 0;
        QTest::newRow("1.5 rounds to 2") << " 1.5" << 2 << 0;
        QTest::newRow("2.5 rounds to 2") << " 2.5" << 2 << 0;
        QTest::newRow("four digits, more than the batch") << "9999" << 3 << 1;
        // The count says more records than the cursor reaches: stop rather than print one twice.
        QTest::newRow("more than the cursor") << " 4" << 3 << 1;
    }
    void printAllCount() {
        QFETCH(QString, count);
        QFETCH(int, printed);
        QFETCH(int, messages);
        loadBatch(3);
        window()->Num(1)->setText(count);
        window()->C1(6)->click();
        QCOMPARE(static_cast<int>(calls_.size()), printed);
        for (int k = 0; k < printed; ++k) {
            QCOMPARE(calls_[k].position, k + 1);
        }
        QCOMPARE(services_->dialogs.messages().size(), messages);
    }

    // The spaced postcode digits each stand inside one of the six squares of the form picture.
    void postcodeDigitsSitInTheirSquares_data() {
        QTest::addColumn<int>("box");
        QTest::newRow("payee") << 4;
        QTest::newRow("remitter") << 5;
    }
    void postcodeDigitsSitInTheirSquares() {
        QFETCH(int, box);
        window()->setBoxText(box, QStringLiteral("888888"));
        window()->normaliseField(box);
        const QImage shown = window()->Envelop()->grab().toImage();
        const QImage picture = window()->Envelop()->pixmap().toImage();
        const QRect r = window()->Txt(box)->geometry();
        auto isRed = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 130 && qBlue(p) < 130; };
        auto isInk = [](QRgb p) { return qGray(p) < 90 && qRed(p) < 120; };
        QList<QPair<int, int>> runs;  // ink columns of the digits, first and last
        for (int x = r.left(); x <= r.right() + 4 && x < shown.width(); ++x) {
            bool ink = false;
            for (int y = r.top(); y <= r.bottom() && !ink; ++y) {
                ink = isInk(shown.pixel(x, y));
            }
            if (ink && (runs.isEmpty() || runs.last().second != x - 1)) {
                runs.append({x, x});
            } else if (ink) {
                runs.last().second = x;
            }
        }
        QCOMPARE(runs.size(), 6);
        const int row = r.center().y();
        for (const auto& [first, last] : runs) {
            bool redLeft = false;
            bool redRight = false;
            for (int d = 1; d <= 7; ++d) {
                redLeft = redLeft || isRed(picture.pixel(first - d, row));
                redRight = redRight || isRed(picture.pixel(last + d, row));
            }
            QVERIFY2(redLeft && redRight, qPrintable(QStringLiteral("digit at %1..%2").arg(first).arg(last)));
            for (int x = first; x <= last; ++x) {
                QVERIFY(!isRed(picture.pixel(x, row)));
            }
        }
    }

    void calibrationCommand() {
        QWidget* given = nullptr;
        int runs = 0;
        window()->setCalibrationRun([&](QWidget* parent) {
            given = parent;
            ++runs;
        });
        window()->C1(3)->click();
        QCOMPARE(runs, 1);
        QCOMPARE(given, window());
        QVERIFY(calls_.empty());
    }

    void formContentHoldsBoxesAndChecks() {
        for (int i = 0; i < 9; ++i) {
            window()->setBoxText(i, QStringLiteral("%1").arg(i));
        }
        window()->setBoxText(3, QStringLiteral("第一行\n第二行"));
        window()->Chk(2)->setChecked(true);
        window()->Chk(7)->setTristate(true);
        window()->Chk(7)->setCheckState(Qt::PartiallyChecked);
        const FormContent form = window()->formContent();
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(form.text[i], i == 3 ? QStringLiteral("第一行\n第二行") : QStringLiteral("%1").arg(i));
            QCOMPARE(form.check[i], i == 2 ? 1 : i == 7 ? 2 : 0);
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
