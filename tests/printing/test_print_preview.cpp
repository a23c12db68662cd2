#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "app/fonts.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "platform/grid.h"
#include "platform/printer.h"
#include "printing/draw_remittance.h"
#include "printing/print_preview.h"
#include "support/calibration.h"
#include "support/test_services.h"

using namespace velmora;

namespace {

// Dark, unsaturated pixels: printed text, as opposed to the picture's red and white.
int inkIn(const QImage& image, QRectF area) {
    int ink = 0;
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            ink += c.red() < 100 && c.green() < 100 && c.blue() < 100;
        }
    }
    return ink;
}

}  // namespace

class TestPrintPreview : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }
    void init() {
        services_ = std::make_unique<test::TestServices>();
        test::StoreCalibration(services_->settings(), QStringLiteral("10"), QStringLiteral("10"));
    }
    void cleanup() {
        WindowRegistry::instance().destroyAll();
        services_.reset();
    }

    // The canvas draws through DrawRemittance: ink where a field's text and a tick fall, calibration
    // applied, none where nothing is printed.
    void canvasDrawsWhereItPrints_data() {
        QTest::addColumn<double>("offsetX");
        QTest::addColumn<double>("offsetY");
        QTest::newRow("calibrated") << 0.0 << 0.0;
        QTest::newRow("offset 5 mm") << -5.0 << 5.0;
    }
    void canvasDrawsWhereItPrints() {
        QFETCH(double, offsetX);
        QFETCH(double, offsetY);
        PreviewCanvas canvas;
        canvas.resize(canvas.sizeHint());
        PreviewPage page;
        page.form.text[0] = QStringLiteral("张三丰");
        page.form.check[0] = 1;
        page.offsetX = offsetX;
        page.offsetY = offsetY;
        canvas.setPage(page);
        const QImage image = canvas.grab().toImage();
        const double mm = PreviewCanvas::kPicturePixelsPerMm * PreviewCanvas::kZoom;
        // The name's three characters of 20 pt (7 mm) from its corner; the tick of 10 pt.
        const QPointF name = canvas.sheetToWidget({39.5 - offsetX, 31 - offsetY});
        QVERIFY(inkIn(image, QRectF(name, QSizeF(21 * mm, 7 * mm))) > 50);
        QCOMPARE(inkIn(image, QRectF(name - QPointF(6 * mm, 0), QSizeF(5 * mm, 7 * mm))), 0);
        const QPointF tick = canvas.sheetToWidget({62.5 - offsetX, 14 - offsetY});
        QVERIFY(inkIn(image, QRectF(tick, QSizeF(3.5 * mm, 3.5 * mm))) > 5);
        // Nothing where the payee address would go.
        const QPointF address = canvas.sheetToWidget({39.5 - offsetX, 39 - offsetY});
        QCOMPARE(inkIn(image, QRectF(address, QSizeF(40 * mm, 4 * mm))), 0);
    }

    // The window reads the main window; with a batch it pages through the records by moving the
    // main window's record cursor, and marks a form that will not print.
    void pagesThroughTheBatch() {
        MainWindow* main = WindowRegistry::instance().window<MainWindow>();
        Grid& grid = WindowRegistry::instance().window<BatchWindow>()->grid();
        const QStringList names = {"甲", "乙", "丙"};
        for (int r = 1; r <= 3; ++r) {
            grid.setText(r, 1, names[r - 1]);
            grid.setText(r, 4, r == 3 ? QStringLiteral("10000000") : QStringLiteral("12.5"));
        }
        main->NumScroll()->setMaximum(3);
        main->NumScroll()->setValue(1);
        main->loadRecord(1);

        ShowPrintPreview();
        PrintPreviewWindow* preview = WindowRegistry::instance().loaded<PrintPreviewWindow>();
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->canvas()->page().form.text[0], QStringLiteral("甲"));
        QCOMPARE(preview->recordLabel()->text(), QStringLiteral("第 1 个汇款单，共 3 个"));
        QVERIFY(!preview->previousRecord()->isEnabled());
        QVERIFY(preview->notice()->text().isEmpty());
        QCOMPARE(preview->canvas()->page().dotsPerInch, currentPrinter().resolution());

        QTest::mouseClick(preview->nextRecord(), Qt::LeftButton);
        QCOMPARE(main->NumScroll()->value(), 2);
        QCOMPARE(preview->canvas()->page().form.text[0], QStringLiteral("乙"));
        QTest::mouseClick(preview->nextRecord(), Qt::LeftButton);
        QCOMPARE(preview->canvas()->page().form.text[0], QStringLiteral("丙"));
        QVERIFY(!preview->nextRecord()->isEnabled());
        QVERIFY(!preview->notice()->text().isEmpty());  // ten million does not fit the boxes
        QTest::mouseClick(preview->previousRecord(), Qt::LeftButton);
        QCOMPARE(main->NumScroll()->value(), 2);

        // The calibration is read again on every refresh.
        test::StoreCalibration(services_->settings(), QStringLiteral("12.5"), QStringLiteral("10"));
        preview->refresh();
        QCOMPARE(preview->canvas()->page().offsetX, 2.5);
        QCOMPARE(preview->canvas()->page().offsetY, 0.0);

        // Without stored calibration the operator is told why the print sits 10 mm off.
        services_.reset();
        services_ = std::make_unique<test::TestServices>();
        preview->refresh();
        QVERIFY(preview->notice()->text().contains(QStringLiteral("尚未校准打印机")));

        // The main window's button opens the same window.
        QVERIFY(main->C1(2));
        QCOMPARE(main->C1(2)->text(), QStringLiteral("打印预览"));
        preview->close();
        QTest::mouseClick(main->C1(2), Qt::LeftButton);
        QVERIFY(WindowRegistry::instance().loaded<PrintPreviewWindow>());
    }
};

QTEST_MAIN(TestPrintPreview)
#include "test_print_preview.moc"
