#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "app/fonts.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "help/about_window.h"
#include "help/help_file.h"
#include "support/events.h"
#include "support/test_services.h"

using namespace velmora;
using velmora::test::settle;

namespace {

WindowRegistry& registry() {
    return WindowRegistry::instance();
}

const QString kNotFound = QStringLiteral("找不到帮助文件");

}  // namespace

class TestHelp : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;
    QString helpFile_;  // help.txt beside this test program, which the tests create and remove

    void setHelpFilePresent(bool present) {
        if (present) {
            QFile file(helpFile_);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("help");
        } else if (QFile::exists(helpFile_)) {
            QVERIFY(QFile::remove(helpFile_));
        }
    }

    MainWindow* mainWindow() {
        MainWindow* window = registry().window<MainWindow>();
        window->show();
        return window;
    }

private Q_SLOTS:
    void initTestCase() {
        installSongFontSubstitutions();
        helpFile_ = QCoreApplication::applicationDirPath() + QStringLiteral("/help.txt");
    }
    void init() { services_ = std::make_unique<test::TestServices>(); }
    void cleanup() {
        setHelpFilePresent(false);
        settle();
        registry().destroyAll();
        services_.reset();
    }

    // The program's directory and "/help.txt", whatever the working directory.
    void helpPathIgnoresTheWorkingDirectory() {
        const QString expected = QCoreApplication::applicationDirPath() + QStringLiteral("/help.txt");
        QCOMPARE(HelpFilePath(), expected);
        const QString previous = QDir::currentPath();
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QFile decoy(QStringLiteral("help.txt"));
        QVERIFY(decoy.open(QIODevice::WriteOnly));
        decoy.close();
        const QString path = HelpFilePath();
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(path, expected);
    }

    // The window's own texts; fixed in size, without maximise and minimise boxes.
    void aboutWindowDesign() {
        AboutWindow* about = registry().window<AboutWindow>();
        QCOMPARE(about->objectName(), QStringLiteral("Rightform"));
        QCOMPARE(about->windowTitle(), QStringLiteral("版权说明"));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QVERIFY(!(about->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(about->Command1()->text(), QStringLiteral("确\u3000\u3000\u3000定"));
        QCOMPARE(about->Command2()->text(), QStringLiteral("帮\u3000\u3000\u3000助"));
        QVERIFY(about->lblCompany(0)->text().startsWith(QStringLiteral("开发公司：")));
        QCOMPARE(about->lblCompany(1)->text(), QStringLiteral("开发时间：2005年12月08日"));
        QVERIFY(about->lblCompany(2)->text().startsWith(QStringLiteral("联系电话：")));
        QVERIFY(about->lblCompany(3)->text().startsWith(QStringLiteral("电子邮件：")));
    }

    // Only the two buttons take the focus: OK first, then Help; Enter and Esc do nothing.
    void aboutWindowFocus() {
        AboutWindow* about = registry().window<AboutWindow>();
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(QApplication::focusWidget(), about->Command1());
        QTest::keyClick(about->Command1(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about->Command2());
        QTest::keyClick(about->Command2(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about->Command1());
        QTest::keyClick(about->Command1(), Qt::Key_Escape);
        QTest::keyClick(about->Command1(), Qt::Key_Return);
        settle();
        QVERIFY(about->isVisible());
        QCOMPARE(registry().loaded<AboutWindow>(), about);
    }

    // "帮助/版权" twice gives one window; OK or the close box unloads it, and the next one is fresh and
    // centred.
    void okAndCloseBoxUnload_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("close box") << false;
    }
    void okAndCloseBoxUnload() {
        QFETCH(bool, ok);
        MainWindow* window = mainWindow();
        window->C1(5)->click();
        AboutWindow* about = registry().loaded<AboutWindow>();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        window->C1(5)->click();
        QCOMPARE(registry().loaded<AboutWindow>(), about);
        QCOMPARE(QApplication::topLevelWidgets().count(about), 1);

        QPointer<AboutWindow> first = about;
        about->move(about->pos() + QPoint(30, 20));
        if (ok) {
            about->Command1()->click();
        } else {
            QVERIFY(about->close());
        }
        QVERIFY(!registry().loaded<AboutWindow>());
        settle();
        QVERIFY(first.isNull());
        window->C1(5)->click();
        AboutWindow* fresh = registry().loaded<AboutWindow>();
        QVERIFY(fresh);
        const QRect screen = fresh->screen()->geometry();
        QCOMPARE(fresh->pos(), screen.topLeft() + QPoint((screen.width() - fresh->width()) / 2,
                                                         (screen.height() - fresh->height()) / 2));
    }

    // Help hides the window, which stays loaded, and opens the help file; a missing file is told
    // once. "帮助/版权" then brings the window back where it was.
    void helpHidesAndOpens_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("missing") << false;
    }
    void helpHidesAndOpens() {
        QFETCH(bool, present);
        setHelpFilePresent(present);
        MainWindow* window = mainWindow();
        window->C1(5)->click();
        AboutWindow* about = registry().loaded<AboutWindow>();
        const QPoint moved = about->pos() + QPoint(40, -25);
        about->move(moved);
        about->Command2()->click();
        QVERIFY(!about->isVisible());
        QCOMPARE(registry().loaded<AboutWindow>(), about);
        QCOMPARE(services_->shell.opened, QStringList{helpFile_});
        QCOMPARE(services_->dialogs.messages(), present ? QStringList{} : QStringList{kNotFound});
        if (!present) {
            QCOMPARE(services_->dialogs.calls[0].title, QString());  // the application's title
            QCOMPARE(services_->dialogs.calls[0].kind, ScriptedDialogs::Kind::Message);
        }
        window->C1(5)->click();
        QCOMPARE(registry().loaded<AboutWindow>(), about);
        QVERIFY(about->isVisible());
        QCOMPARE(about->pos(), moved);
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
