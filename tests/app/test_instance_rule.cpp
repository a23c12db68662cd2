#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "help/about_window.h"
#include "platform/dialogs.h"
#include "platform/services.h"
#include "support/events.h"
#include "support/test_services.h"

using namespace velmora;
using velmora::test::settle;

namespace {

WindowRegistry& registry() {
    return WindowRegistry::instance();
}

// Counts the close events the windows it watches receive.
class CloseSpy : public QObject {
public:
    int closes = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            ++closes;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Centred when loaded: left = (screen width - width) / 2, top likewise.
bool centred(QWidget* window) {
    const QRect screen = window->screen()->geometry();
    return window->pos() == screen.topLeft() + QPoint((screen.width() - window->width()) / 2,
                                                      (screen.height() - window->height()) / 2);
}

// Runs the program's event loop, does `action` from within it, and returns how the loop ended: 0 when
// the program ended it, 1 when it was still running after five seconds.
int runEventLoopUntilTheEnd(const std::function<void()>& action) {
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, action);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    start.start(0);
    giveUp.start(5000);
    return QApplication::exec();
}

}  // namespace

class TestInstanceRule : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;

private Q_SLOTS:
    void init() {
        services_ = std::make_unique<test::TestServices>();
        resetAppState();
    }
    void cleanup() {
        settle();
        registry().destroyAll();
        services_.reset();
    }

    // The program starts with the main window alone, centred, at record 1 of 1, its boxes empty.
    void startUp() {
        PrepareApplication();
        test::TestServices scripted;  // start-up installed the real services; keep the tests scripted
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Velmora"));
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Velmora"));
        QCOMPARE(QFontInfo(QFont(QStringLiteral("SimSun"))).family(), QStringLiteral("AR PL UMing CN"));
        QVERIFY(!QApplication::windowIcon().isNull());
        MainWindow* window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(registry().loaded<MainWindow>(), window);
        QVERIFY(centred(window));
        QCOMPARE(window->Num(0)->text(), QStringLiteral("1"));
        QCOMPARE(window->Num(1)->text(), QStringLiteral("1"));
        for (const int i : {0, 1, 2, 3, 4, 5, 7, 8}) {
            QCOMPARE(window->boxText(i), QString());
        }
        for (const char* name : {"表格", "fOpen", "CollateForm", "Rightform"}) {
            QVERIFY2(!registry().isLoaded(QString::fromUtf8(name)), name);
        }
        QCOMPARE(appState().AskPrinter, std::uint8_t{0});
    }

    // A reference creates and loads; more references give the same window.
    void referenceCreates() {
        QVERIFY(!registry().loaded<AboutWindow>());
        AboutWindow* about = registry().window<AboutWindow>();
        QVERIFY(about);
        QCOMPARE(about->objectName(), QStringLiteral("Rightform"));
        QVERIFY(!about->isVisible());
        QCOMPARE(registry().window<AboutWindow>(), about);
        QCOMPARE(registry().loaded<AboutWindow>(), about);
        QVERIFY(centred(about));
    }

    // Hiding keeps a window with all its values; closing destroys it, and the next reference builds
    // it afresh with its design values.
    void hideKeepsCloseDestroys() {
        MainWindow* window = registry().window<MainWindow>();
        window->show();
        window->setBoxText(0, QStringLiteral("张明华"));
        window->Chk(4)->setChecked(true);
        window->NumScroll()->setMaximum(7);
        window->Num(1)->setText(QStringLiteral(" 7"));
        window->hide();
        QCOMPARE(registry().window<MainWindow>(), window);
        QCOMPARE(window->boxText(0), QStringLiteral("张明华"));
        QVERIFY(window->Chk(4)->isChecked());

        QPointer<MainWindow> closed = window;
        window->show();
        QVERIFY(window->close());
        QVERIFY(!registry().loaded<MainWindow>());  // gone for the program at once
        settle();
        QVERIFY(closed.isNull());

        MainWindow* fresh = registry().window<MainWindow>();
        QCOMPARE(fresh->boxText(0), QString());
        QVERIFY(!fresh->Chk(4)->isChecked());
        QCOMPARE(fresh->NumScroll()->maximum(), 1);
        QCOMPARE(fresh->Num(1)->text(), QStringLiteral("1"));
    }

    // Closing the main window or "退  出" ends the program, every window with it, hidden ones included;
    // "退  出" runs none of their close handling.
    void endingTheProgram_data() {
        QTest::addColumn<bool>("exitButton");
        QTest::newRow("close box") << false;
        QTest::newRow("退  出") << true;
    }
    void endingTheProgram() {
        QFETCH(bool, exitButton);
        MainWindow* window = registry().window<MainWindow>();
        window->show();
        QPointer<MainWindow> main = window;
        QPointer<BatchWindow> batch = registry().window<BatchWindow>();
        QPointer<AboutWindow> about = registry().window<AboutWindow>();
        about->show();
        about->setVisible(exitButton);
        CloseSpy spy;
        for (QWidget* w : std::initializer_list<QWidget*>{window, batch, about}) {
            w->installEventFilter(&spy);
        }
        QCOMPARE(
            runEventLoopUntilTheEnd([=] { exitButton ? window->C1(1)->click() : void(window->close()); }), 0);
        settle();
        QVERIFY(main.isNull());
        QVERIFY(batch.isNull());
        QVERIFY(about.isNull());
        QVERIFY(!registry().isLoaded(QStringLiteral("主窗口")));
        if (exitButton) {
            QCOMPARE(spy.closes, 0);
        }
    }
};

QTEST_MAIN(TestInstanceRule)
#include "test_instance_rule.moc"
