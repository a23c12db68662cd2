// The smaller windows: the calibration and its offsets dialog, help and about, the preview.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "about_window.h"
#include "batch_window.h"
#include "cases.h"
#include "collate_dialog.h"
#include "events.h"
#include "fonts.h"
#include "help_file.h"
#include "main_window.h"
#include "print_preview.h"
#include "settings_keys.h"
#include "startup.h"
#include "test_services.h"
#include "window_registry.h"

using namespace velmora;

class TestDialogs : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestServices> services_;

    MainWindow* main() { return WindowRegistry::instance().window<MainWindow>(); }
    CollateDialog* collate() { return WindowRegistry::instance().window<CollateDialog>(); }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() { services_ = std::make_unique<test::TestServices>(); }

    void cleanup() {
        WindowRegistry::instance().destroyAll();
        test::settle();
        services_.reset();
    }

    // Start-up: the application's name for its settings, Qt's own texts in Chinese, the Song face.
    void startUp() {
        const Services scripted = services();
        PrepareApplication();
        services() = scripted;
        QCOMPARE((QStringList{QCoreApplication::applicationName(), QCoreApplication::organizationName()}),
                 (QStringList{"Velmora", "Velmora"}));
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("打印"));
        QCOMPARE(QFont::substitutes(QStringLiteral("宋体")).value(1), QStringLiteral("ar pl uming cn"));
        QCOMPARE(QFont::substitutes(QStringLiteral("SimSun")).value(0), QStringLiteral("ar pl uming cn"));
        QCOMPARE(QApplication::font().family(), QStringLiteral("宋体"));
        QCOMPARE(QApplication::windowIcon().availableSizes().value(0), QSize(48, 48));
    }

    // "打印机校准": the printer dialog, the question, on Yes the figure (the square from 10 mm to 20 mm
    // in unrounded twips), then the offsets dialog filled with the printer's stored texts as they are.
    void calibration_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("documents");
        QTest::newRow("cancelled") << false << true << 0;
        QTest::newRow("no") << true << false << 0;
        QTest::newRow("yes") << true << true << 1;
    }
    void calibration() {
        QFETCH(bool, accept);
        QFETCH(bool, yes);
        QFETCH(int, documents);
        services_->settings().save(kSettingsApplication, QStringLiteral("Collate Recorder"), kCalibrationKeyX,
                                   QStringLiteral("13.5"));
        services_->dialogs.printerAnswers = {accept};
        services_->dialogs.questionAnswers = {yes};
        main()->C1(3)->click();
        QCOMPARE(services_->dialogs.calls.size(), std::size_t(accept ? 2 : 1));
        QCOMPARE(int(services_->printer.documents.size()), documents);
        if (documents == 1) {
            const test::RecordingSurface::Call& square = services_->printer.documents[0][0];
            QCOMPARE(square.kind, test::RecordingSurface::Kind::FillRectangle);
            QCOMPARE(square.x, double(566.928f));
            QCOMPARE(square.y2, double(1133.856f));
        }
        QVERIFY(collate()->isVisible());
        QCOMPARE((QStringList{collate()->Txy(0)->text(), collate()->Txy(1)->text()}),
                 (QStringList{"13.5", ""}));
        QCOMPARE(collate()->printer(), QStringLiteral("Recorder"));
        QCOMPARE(collate()->size(), QSize(282, 235));  // 4230 × 3525 twips
    }

    // OK checks both distances against 0 to 30 before storing either, and stores the number, not the
    // text typed, in "Collate" and for a named printer in its own section too; an empty box or one
    // without a number is refused like one out of range.
    void offsets_data() {
        // stored: "9 9": refused, the pair stored before kept
        test::AddRows(QStringLiteral("windows/offsets.txt"), "printer:s x:s y:s stored:s");
    }
    void offsets() {
        QFETCH(QString, printer);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, stored);
        services_->settings().save(kSettingsApplication, kCollateSection, kCalibrationKeyX,
                                   QStringLiteral("9"));
        services_->settings().save(kSettingsApplication, kCollateSection, kCalibrationKeyY,
                                   QStringLiteral("9"));
        collate()->show();
        collate()->setPrinter(printer);
        collate()->Txy(0)->setText(x);
        collate()->Txy(1)->setText(y);
        collate()->Command1()->click();
        for (const QString& section : {kCollateSection, QStringLiteral("Collate HP_LaserJet")}) {
            const QString expected =
                section == kCollateSection || !printer.isEmpty() ? stored : QStringLiteral(" ");
            SettingsStore& settings = services_->settings();
            QCOMPARE((QStringList{settings.get(kSettingsApplication, section, kCalibrationKeyX),
                                  settings.get(kSettingsApplication, section, kCalibrationKeyY)}),
                     expected.split(u' '));
        }
        const bool refused = stored == QLatin1String("9 9");
        QCOMPARE(collate()->isVisible(), refused);
        QCOMPARE(services_->dialogs.messages(),
                 refused ? QStringList{"您输入的数字有误，或超出范围(允许范围为0～30)，请重新输入。"}
                         : QStringList{});
    }

    // The offsets boxes take what a number holds, five characters at most.
    void offsetKeys() {
        collate()->Txy(0)->clear();
        QTest::keyClicks(collate()->Txy(0), QStringLiteral("1a2.-345"));
        QCOMPARE(collate()->Txy(0)->text(), QStringLiteral("12.34"));
    }

    // Help opens help.txt beside the program, or says it is missing; the about window hides for it.
    void help() {
        AboutWindow* about = WindowRegistry::instance().window<AboutWindow>();
        about->show();
        about->Command2()->click();
        QCOMPARE(services_->shell.opened, QStringList{QCoreApplication::applicationDirPath() + "/help.txt"});
        QCOMPARE(services_->dialogs.messages(), QStringList{"找不到帮助文件"});
        QVERIFY(!about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("版权说明"));
        about->Command1()->click();
        test::settle();
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Rightform")));
    }

    // The preview shows the form as it will print: checked and normalised, the printer's calibration
    // applied, and why it will not print or what prints otherwise than it reads.
    void preview() {
        services_->settings().save(kSettingsApplication, QStringLiteral("Collate Recorder"), kCalibrationKeyX,
                                   QStringLiteral("12.5"));
        services_->settings().save(kSettingsApplication, QStringLiteral("Collate Recorder"), kCalibrationKeyY,
                                   QStringLiteral("8"));
        main()->setBoxText(0, QStringLiteral("欧阳诸葛司马复姓"));
        main()->setBoxText(4, QStringLiteral("10008"));
        main()->setBoxText(6, QStringLiteral("1,200"));
        main()->C1(2)->click();
        PrintPreviewWindow* preview = WindowRegistry::instance().loaded<PrintPreviewWindow>();
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->canvas()->page().form.text(Field::Amount), QStringLiteral("￥1200.00"));
        QCOMPARE(preview->canvas()->page().offsets.x.value, 2.5);
        QCOMPARE(preview->canvas()->page().offsets.y.value, -2.0);
        QCOMPARE(preview->notice()->text(),
                 QStringLiteral("请注意：收款人邮编“10008”不是六位数字；收款人姓名有 8 个字，"
                                "汇款单上只能印 7 个字，其余的会印到下面一栏上"));
        QCOMPARE(preview->recordLabel()->text(), QStringLiteral("第 1 个汇款单，共 1 个"));
        // With a batch it pages through the records by moving the main window's record cursor.
        BatchWindow* batch = WindowRegistry::instance().window<BatchWindow>();
        batch->grid().setText(1, 1, QStringLiteral("甲"));
        batch->grid().setText(2, 1, QStringLiteral("乙"));
        batch->command1Click(1);
        preview->refresh();
        const QImage first = preview->canvas()->grab().toImage();
        QVERIFY(!preview->previousRecord()->isEnabled());
        preview->nextRecord()->click();
        QCOMPARE(main()->NumScroll()->value(), 2);
        QCOMPARE(preview->canvas()->page().form.text(Field::PayeeName), QStringLiteral("乙"));
        QVERIFY(preview->canvas()->grab().toImage() != first);  // the entries drawn, not the picture alone
        QCOMPARE(preview->recordLabel()->text(), QStringLiteral("第 2 个汇款单，共 2 个"));
        QVERIFY(!preview->nextRecord()->isEnabled());
        preview->previousRecord()->click();
        QCOMPARE(main()->boxText(0), QStringLiteral("甲"));
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
