#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "batch/fake_workbook.h"
#include "batch/open_workbook_dialog.h"
#include "help/help_file.h"
#include "support/test_services.h"

using namespace velmora;
using namespace Qt::StringLiterals;

namespace {

OpenWorkbookDialog* openDialog() {
    OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QStringList entries(const OpenWorkbookDialog* dialog) {
    QStringList texts;
    for (int i = 0; i < 7; ++i) {
        texts << dialog->Text1(i)->text();
    }
    return texts;
}

const QStringList kDefaults{"", "sheet1", "2", "A", "C", "B", "D"};

// Waits until the window closed by close() is gone from the registry and deleted.
void waitClosed() {
    QTRY_VERIFY(!WindowRegistry::instance().loaded<OpenWorkbookDialog>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TestOpenWorkbookDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetAppState(); }
    void cleanup() {
        WindowRegistry::instance().destroyAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void designDefaults() {
        OpenWorkbookDialog* dialog = openDialog();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(dialog->objectName(), QStringLiteral("fOpen"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("打开EXCEL表格"));
        QCOMPARE(entries(dialog), kDefaults);
        QCOMPARE(QApplication::focusWidget(), dialog->Text1(0));
        QCOMPARE(dialog->Command2(0)->text(), QStringLiteral("确　定"));
        QCOMPARE(dialog->Command2(1)->text(), QStringLiteral("取　消"));
        QCOMPARE(dialog->Command2(2)->text(), QStringLiteral("帮　助"));
        QCOMPARE(dialog->Command1()->text(), QStringLiteral("浏览"));
        QVERIFY(!dialog->windowIcon().isNull());
        // Opening again gives the same dialog.
        QCOMPARE(openDialog(), dialog);
    }

    void openedFromTheMainWindow() {
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        main->show();
        QCOMPARE(main->C1(4)->text(), QStringLiteral("导入批量数据"));
        QCOMPARE(main->C1(4)->geometry(), QRect(360, 440, 169, 33));
        QVERIFY(!WindowRegistry::instance().loaded<OpenWorkbookDialog>());
        QTest::mouseClick(main->C1(4), Qt::LeftButton);
        OpenWorkbookDialog* dialog = WindowRegistry::instance().loaded<OpenWorkbookDialog>();
        QVERIFY(dialog && dialog->isVisible());
        QTest::mouseClick(main->C1(4), Qt::LeftButton);
        QCOMPARE(WindowRegistry::instance().loaded<OpenWorkbookDialog>(), dialog);
        QVERIFY(!WindowRegistry::instance().loaded<BatchWindow>());
    }

    void keyFilter_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("column: small letter becomes capital") << 3 << "b" << u"B"_s;
        QTest::newRow("column: digits, signs and blanks dropped") << 4 << "1-x 2" << u"X"_s;
        QTest::newRow("column: Chinese dropped") << 5 << "列a" << u"A"_s;
        QTest::newRow("column: two letters at most") << 6 << "abc" << u"AB"_s;
        QTest::newRow("column: backspace deletes") << 3 << "ab\b" << u"A"_s;
        QTest::newRow("first row: digits only") << 2 << "1a2.3-" << u"123"_s;
        QTest::newRow("first row: four digits at most") << 2 << "123456" << u"1234"_s;
        QTest::newRow("first row: backspace") << 2 << "12\b" << u"1"_s;
        QTest::newRow("sheet name: anything, 50 at most")
            << 1 << QString(60, QChar(u'表')) << QString(50, QChar(u'表'));
        QTest::newRow("path: anything, any length")
            << 0 << QString(300, QLatin1Char('p')) << QString(300, QLatin1Char('p'));
    }
    void keyFilter() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        OpenWorkbookDialog* dialog = openDialog();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QLineEdit* edit = dialog->Text1(box);
        edit->clear();
        edit->setFocus();
        for (const QChar c : typed) {
            if (c == QLatin1Char('\b')) {
                QTest::keyClick(edit, Qt::Key_Backspace);
            } else {
                // A key event carrying the character, as a keyboard or an input method delivers it.
                QKeyEvent press(
                    QEvent::KeyPress,
                    c.isLetter() && c.unicode() < 128 ? Qt::Key_A + (c.toUpper().unicode() - 'A') : 0,
                    Qt::NoModifier, QString(c));
                QApplication::sendEvent(edit, &press);
            }
        }
        QCOMPARE(edit->text(), expected);
    }

    void pasteShortcutBlockedInFilteredBoxes() {
        OpenWorkbookDialog* dialog = openDialog();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QApplication::clipboard()->setText(QStringLiteral("Z9"));
        for (int box : {2, 3}) {
            QLineEdit* edit = dialog->Text1(box);
            edit->clear();
            edit->setFocus();
            QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
            QApplication::sendEvent(edit, &paste);
            QCOMPARE(edit->text(), QString());
        }
    }

    void tabSelectsAllText() {
        OpenWorkbookDialog* dialog = openDialog();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->Text1(0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->Text1(1));
        QCOMPARE(dialog->Text1(1)->selectedText(), QStringLiteral("sheet1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(dialog->Text1(2)->selectedText(), QStringLiteral("2"));
        // The next typed digit replaces the selection.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_5, Qt::NoModifier);
        QCOMPARE(dialog->Text1(2)->text(), QStringLiteral("5"));
        // The column boxes come after the buttons, the postcode box before the address box.
        dialog->Command2(2)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->Text1(3));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->Text1(5));
        QCOMPARE(dialog->Text1(5)->selectedText(), QStringLiteral("B"));
    }

    void browse() {
        test::TestServices services;
        OpenWorkbookDialog* dialog = openDialog();
        const QString chosen = QDir::temp().filePath(QStringLiteral("汇款名单.xlsx"));
        services.dialogs.fileAnswers = {chosen, std::nullopt};
        QTest::mouseClick(dialog->Command1(), Qt::LeftButton);
        QCOMPARE(dialog->Text1(0)->text(), QDir::toNativeSeparators(chosen));
        QCOMPARE(services.dialogs.calls.size(), std::size_t(1));
        const QString filter = services.dialogs.calls.front().text;
        for (const char* pattern : {"*.xls ", "*.xlsx", "*.xlsm", "*.ods"}) {
            QVERIFY2(filter.contains(QLatin1String(pattern)), qPrintable(filter));
        }
        // A cancelled browse leaves the box as it was, whether chosen or typed.
        QTest::mouseClick(dialog->Command1(), Qt::LeftButton);
        QCOMPARE(dialog->Text1(0)->text(), QDir::toNativeSeparators(chosen));
        dialog->Text1(0)->setText(QStringLiteral("typed by hand.xls"));
        QTest::mouseClick(dialog->Command1(), Qt::LeftButton);
        QCOMPARE(dialog->Text1(0)->text(), QStringLiteral("typed by hand.xls"));
        QVERIFY(dialog->isVisible());
    }

    void okKeepsEntriesAndStartsTheBatchWindow() {
        test::TestServices services;
        test::FakeWorkbookOpener fake;
        fake.sheet().setRecord(2, "张三", "北京", "100000", "10");
        OpenWorkbookDialog* dialog = openDialog();
        const QStringList typed{"book.xlsx", "Sheet1", "2", "AB", "", "ZZ", "D"};
        for (int i = 0; i < 7; ++i) {
            dialog->Text1(i)->setText(typed[i]);
        }
        const QPoint place = dialog->pos();
        appState().ImportDone = 1;
        QTest::mouseClick(dialog->Command2(0), Qt::LeftButton);
        QCOMPARE(appState().ColNo, (std::array<std::int16_t, 4>{28, 0, 702, 4}));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(WindowRegistry::instance().loaded<OpenWorkbookDialog>(), dialog);
        BatchWindow* batch = WindowRegistry::instance().loaded<BatchWindow>();
        QVERIFY(batch && batch->isVisible());
        // The batch window's first paint runs the import, which fails on column 0 and shows the
        // dialog again with the entries as typed.
        QTRY_COMPARE(services.dialogs.messages(),
                     QStringList{QStringLiteral("输入表格列号超界，请重新输入！")});
        QTRY_VERIFY(dialog->isVisible());
        QVERIFY(!batch->isVisible());
        QCOMPARE(entries(dialog), typed);
        QCOMPARE(dialog->pos(), place);
        QCOMPARE(WindowRegistry::instance().window<OpenWorkbookDialog>(), dialog);
    }

    void cancelHelpAndCloseBoxDiscardTheEntries_data() {
        QTest::addColumn<int>("how");  // 1 Cancel, 2 Help, -1 the close box
        QTest::newRow("cancel") << 1;
        QTest::newRow("help") << 2;
        QTest::newRow("close box") << -1;
    }
    void cancelHelpAndCloseBoxDiscardTheEntries() {
        QFETCH(int, how);
        test::TestServices services;
        OpenWorkbookDialog* dialog = openDialog();
        dialog->Text1(0)->setText(QStringLiteral("x.xls"));
        dialog->Text1(3)->setText(QStringLiteral("Q"));
        if (how < 0) {
            dialog->close();
        } else {
            QTest::mouseClick(dialog->Command2(how), Qt::LeftButton);
        }
        waitClosed();
        if (how == 2) {
            QCOMPARE(services.shell.opened, QStringList{HelpFilePath()});
            if (!QFile::exists(HelpFilePath())) {
                QCOMPARE(services.dialogs.messages(), QStringList{QStringLiteral("找不到帮助文件")});
            }
        } else {
            QVERIFY(services.shell.opened.isEmpty());
            QVERIFY(services.dialogs.calls.empty());
        }
        QVERIFY(!WindowRegistry::instance().loaded<BatchWindow>());
        QCOMPARE(entries(openDialog()), kDefaults);
    }
};

QTEST_MAIN(TestOpenWorkbookDialog)
#include "test_open_workbook_dialog.moc"
