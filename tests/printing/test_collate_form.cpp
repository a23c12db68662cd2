#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/fonts.h"
#include "app/window_registry.h"
#include "printing/collate_dialog.h"
#include "support/calibration.h"
#include "support/test_services.h"

using namespace velmora;
using namespace Qt::StringLiterals;

namespace {

const QString kRangeMessage = QStringLiteral("您输入的数字有误，或超出范围(允许范围为0～30)，请重新输入。");

}  // namespace

class TestCollateForm : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;
    QPointer<CollateDialog> dialog_;

    QString stored(const QString& key) const { return test::StoredCalibration(services_->settings(), key); }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() {
        services_ = std::make_unique<test::TestServices>();
        test::StoreCalibration(services_->settings(), QStringLiteral("3"), QStringLiteral("4"));
        dialog_ = WindowRegistry::instance().window<CollateDialog>();
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_));
    }

    void cleanup() {
        WindowRegistry::instance().destroyAll();
        services_.reset();
    }

    void design() {
        QCOMPARE(dialog_->objectName(), QStringLiteral("CollateForm"));
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("输入打印边距"));
        QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
        QVERIFY(!(dialog_->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(dialog_->Command1()->text(), QStringLiteral("确\u3000定"));
        QCOMPARE(dialog_->Command2()->text(), QStringLiteral("取\u3000消"));
        // Tab order: OK, Cancel, the two boxes; OK has the focus at first.
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        QCOMPARE(QApplication::focusWidget(), dialog_->Command1());
        const QList<QWidget*> order = {dialog_->Command2(), dialog_->Txy(0), dialog_->Txy(1),
                                       dialog_->Command1()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    // OK stores the trimmed number text of both values, or refuses both when either is out of range.
    void confirm_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("storedX");
        QTest::addColumn<QString>("storedY");
        QTest::newRow("0 and 30") << "0" << u"30"_s << true << "0" << u"30"_s;
        QTest::newRow("empty boxes") << "" << QString() << true << "0" << u"0"_s;
        QTest::newRow("12.5") << "12.5" << u"7.250"_s << true << "12.5" << u"7.25"_s;
        QTest::newRow("point five") << ".5" << u"0.5"_s << true << ".5" << u".5"_s;
        QTest::newRow("05.50") << "05.50" << u"10"_s << true << "5.5" << u"10"_s;
        QTest::newRow("two points") << "1.2.3" << u"1"_s << true << "1.2" << u"1"_s;
        QTest::newRow("no number reads 0") << "abc" << u"2"_s << true << "0" << u"2"_s;
        QTest::newRow("30.01 rejected") << "30.01" << u"5"_s << false << "3" << u"4"_s;
        QTest::newRow("31 rejected in Y") << "5" << u"31"_s << false << "3" << u"4"_s;
        QTest::newRow("negative pasted") << "-5" << u"5"_s << false << "3" << u"4"_s;
    }
    void confirm() {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, accepted);
        QFETCH(QString, storedX);
        QFETCH(QString, storedY);
        dialog_->Txy(0)->setText(x);
        dialog_->Txy(1)->setText(y);
        QTest::mouseClick(dialog_->Command1(), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("X")), storedX);
        QCOMPARE(stored(QStringLiteral("Y")), storedY);
        QCOMPARE(dialog_->isVisible(), !accepted);
        QVERIFY(WindowRegistry::instance().loaded<CollateDialog>());  // hidden, not closed
        if (accepted) {
            QVERIFY(services_->dialogs.calls.empty());
        } else {
            QCOMPARE(services_->dialogs.calls.size(), std::size_t(1));
            const auto& call = services_->dialogs.calls.front();
            QCOMPARE(call.text, kRangeMessage);
            QCOMPARE(call.title, QStringLiteral("错误提示"));
            QCOMPARE(call.icon, MessageIcon::None);
            QCOMPARE(dialog_->Txy(0)->text(), x);  // the texts stay as typed
            QCOMPARE(dialog_->Txy(1)->text(), y);
        }
    }

    void cancelStoresNothing() {
        dialog_->Txy(0)->setText(QStringLiteral("31"));
        QTest::mouseClick(dialog_->Command1(), Qt::LeftButton);  // rejected first
        dialog_->Txy(0)->setText(QStringLiteral("20"));
        QTest::mouseClick(dialog_->Command2(), Qt::LeftButton);
        QVERIFY(!dialog_->isVisible());
        QVERIFY(WindowRegistry::instance().loaded<CollateDialog>());
        QCOMPARE(stored(QStringLiteral("X")), QStringLiteral("3"));
        QCOMPARE(stored(QStringLiteral("Y")), QStringLiteral("4"));
    }

    void closeBoxUnloadsWithoutStoring() {
        dialog_->Txy(0)->setText(QStringLiteral("20"));
        dialog_->Txy(1)->setText(QStringLiteral("20"));
        QVERIFY(dialog_->close());
        QVERIFY(!WindowRegistry::instance().loaded<CollateDialog>());
        QCOMPARE(stored(QStringLiteral("X")), QStringLiteral("3"));
        // The next reference creates it afresh, with empty boxes.
        CollateDialog* again = WindowRegistry::instance().window<CollateDialog>();
        QCOMPARE(again->Txy(0)->text(), QString());
    }

    // Typing: only digits, the point and backspace reach the boxes; at most five characters.
    void keys_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digits and point") << "12.5" << u"12.5"_s;
        QTest::newRow("letters and signs dropped") << "a1-2,b.3+" << u"12.3"_s;
        QTest::newRow("ideographs dropped") << "一1二" << u"1"_s;
        QTest::newRow("five at most") << "1234567" << u"12345"_s;
    }
    void keys() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        dialog_->Txy(0)->setFocus();
        for (const QChar c : typed) {
            QTest::sendKeyEvent(QTest::Click, dialog_->Txy(0), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QCOMPARE(dialog_->Txy(0)->text(), expected);
        QTest::keyClick(dialog_->Txy(0), Qt::Key_Backspace);
        QCOMPARE(dialog_->Txy(0)->text(), expected.chopped(1));
    }

    void pasteShortcutPastesNothing() {
        QGuiApplication::clipboard()->setText(QStringLiteral("12"));
        dialog_->Txy(1)->setFocus();
        QTest::keyClick(dialog_->Txy(1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(dialog_->Txy(1)->text(), QString());
    }

    // Enter and Escape trigger neither button, in the boxes or on a focused button.
    void enterAndEscapeDoNothing() {
        dialog_->Txy(0)->setText(QStringLiteral("20"));
        for (QWidget* target :
             {static_cast<QWidget*>(dialog_->Txy(0)), static_cast<QWidget*>(dialog_->Command1()),
              static_cast<QWidget*>(dialog_->Command2())}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        QVERIFY(dialog_->isVisible());
        QCOMPARE(stored(QStringLiteral("X")), QStringLiteral("3"));
        QCOMPARE(dialog_->Txy(0)->text(), QStringLiteral("20"));
    }
};

QTEST_MAIN(TestCollateForm)
#include "test_collate_form.moc"
