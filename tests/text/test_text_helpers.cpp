#include <QApplication>
#include <QImage>
#include <QTest>
#include <limits>

#include "app/fonts.h"
#include "text/num_key_filter.h"
#include "text/rounding.h"
#include "text/spaced_text.h"

using namespace velmora;

namespace {

// The columns where ink starts after a blank column: one entry per drawn character when the
// characters stand apart.
QList<int> inkRunStarts(const QImage& image) {
    QList<int> starts;
    bool previousInk = false;
    for (int x = 0; x < image.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < image.height() && !ink; ++y) {
            ink = qGray(image.pixel(x, y)) < 128;
        }
        if (ink && !previousInk) {
            starts << x;
        }
        previousInk = ink;
    }
    return starts;
}

// A box of the postcode's size and font, white, showing its text spaced, as the main window has it.
struct SpacedBox {
    QWidget window;
    SpacedLineEdit* box;
    QLineEdit* elsewhere;  // takes the focus away from the box

    explicit SpacedBox(const QString& text) {
        box = new SpacedLineEdit(&window);
        elsewhere = new QLineEdit(&window);
        QFont font(QStringLiteral("宋体"));
        font.setPointSize(24);
        box->setFont(font);
        box->setFrame(false);
        box->setGeometry(0, 0, 200, 31);
        elsewhere->setGeometry(0, 40, 50, 20);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        box->setPalette(palette);
        box->setText(text);
        window.resize(220, 70);
    }
    QImage grab() { return box->grab().toImage(); }
};

}  // namespace

class TestTextHelpers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    // Digits, the point and backspace pass as themselves; every other code, a double-byte character
    // from an input method included, becomes 0.
    void numKeyFilter_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("expected");
        for (const int code : {48, 57, 46, 8}) {
            QTest::addRow("%d passes", code) << code << code;
        }
        const int doubleByte = static_cast<std::int16_t>(0xB0A1);
        for (const int code : {47, 58, 44, 45, 13, 22, 9, 0, 65, 32, -1, doubleByte, -32768, 32767}) {
            QTest::addRow("%d dropped", code) << code << 0;
        }
    }
    void numKeyFilter() {
        QFETCH(int, code);
        QFETCH(int, expected);
        QCOMPARE(NumKeyFilter(static_cast<std::int16_t>(code)), static_cast<std::int16_t>(expected));
    }

    void numKeyFilterAdmits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("admitted");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("digits and point") << "0123456789." << true;
        QTest::newRow("a letter among digits") << "12a3" << false;
        QTest::newRow("blank") << "1 2" << false;
        QTest::newRow("line break") << "12\n" << false;
        QTest::newRow("backspace inside") << "1\b2" << false;
        QTest::newRow("full-width digit") << QString::fromUtf8("１２") << false;
        QTest::newRow("yuan sign") << QString::fromUtf8("￥12") << false;
        QTest::newRow("minus") << "-12" << false;
    }
    void numKeyFilterAdmits() {
        QFETCH(QString, text);
        QFETCH(bool, admitted);
        QCOMPARE(NumKeyFilterAdmits(text), admitted);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::addColumn<bool>("fitsInt16");
        QTest::newRow("half to even down") << 2.5 << 2.0 << true;
        QTest::newRow("half to even up") << 3.5 << 4.0 << true;
        QTest::newRow("negative half") << -2.5 << -2.0 << true;
        QTest::newRow("negative half up") << -3.5 << -4.0 << true;
        QTest::newRow("below half") << 2.4999 << 2.0 << true;
        QTest::newRow("above half") << 2.5001 << 3.0 << true;
        QTest::newRow("int16 top") << 32767.4 << 32767.0 << true;
        QTest::newRow("int16 top half") << 32767.5 << 32768.0 << false;
        QTest::newRow("int16 bottom half") << -32768.5 << -32768.0 << true;
        QTest::newRow("int16 below") << -32769.0 << -32769.0 << false;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                                  << std::numeric_limits<double>::infinity() << false;
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QFETCH(bool, fitsInt16);
        QCOMPARE(RoundHalfEven(value), rounded);
        const auto small = RoundToInt16(value);
        QCOMPARE(small.has_value(), fitsInt16);
        if (small) {
            QCOMPARE(static_cast<double>(*small), rounded);
        }
    }
    void roundingNotANumber() {
        QVERIFY(!RoundToInt16(std::numeric_limits<double>::quiet_NaN()).has_value());
        QVERIFY(!RoundToInt32(std::numeric_limits<double>::quiet_NaN()).has_value());
        QCOMPARE(RoundToInt32(2147483647.4).value_or(0), 2147483647);
        QVERIFY(!RoundToInt32(2147483647.5).has_value());
    }

    void spacedFontHeight_data() {
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("pixels");
        QTest::newRow("postcode 24 pt") << 24.0 << 31;
        QTest::newRow("mobile 14.25 pt") << 14.25 << 19;
        QTest::newRow("15 pt: 19.5 to even") << 15.0 << 20;
        QTest::newRow("12 pt") << 12.0 << 16;
        QTest::newRow("10.5 pt") << 10.5 << 14;
    }
    void spacedFontHeight() {
        QFETCH(double, points);
        QFETCH(int, pixels);
        QCOMPARE(SpacedTextFontHeight(points), pixels);
        QFont box(QStringLiteral("宋体"));
        box.setPointSizeF(points);
        box.setBold(true);
        const QFont spaced = SpacedTextFont(box);
        QVERIFY(!spaced.bold());
        // The character cell of the drawing font is the asked height, to the pixel.
        QVERIFY2(qAbs(QFontMetricsF(spaced).height() - pixels) <= 1.0,
                 qPrintable(QString::number(QFontMetricsF(spaced).height())));
    }

    // The layout: the first cell at (1, 1), every next character its advance plus the spacing on.
    void layout_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("spacing");
        QTest::newRow("postcode") << "100037" << 6;
        QTest::newRow("mobile") << "13812345678" << 2;
        QTest::newRow("no spacing") << "12" << 0;
        QTest::newRow("surrogate pair stays whole") << QString::fromUtf8(
                                                           "1\U0001F600"
                                                           "2")
                                                    << 3;
    }
    void layout() {
        QFETCH(QString, text);
        QFETCH(int, spacing);
        QFont box(QStringLiteral("宋体"));
        box.setPointSize(24);
        const QFont font = SpacedTextFont(box);
        const auto glyphs = LayOutSpacedText(text, font, spacing);
        QString joined;
        for (const auto& glyph : glyphs) {
            joined += glyph.text;
        }
        QCOMPARE(joined, text);
        QVERIFY(!glyphs.isEmpty());
        QCOMPARE(glyphs.first().cell, QPointF(1, 1));
        QCOMPARE(glyphs.first().baseline.y(), 1 + QFontMetricsF(font).ascent());
        for (qsizetype k = 1; k < glyphs.size(); ++k) {
            QCOMPARE(glyphs[k].cell.x(), glyphs[k - 1].cell.x() + glyphs[k - 1].advance + spacing);
            QCOMPARE(glyphs[k].cell.y(), 1.0);
        }
    }

    void drawSpacedTextTakesTheBoxText() {
        SpacedBox box(QStringLiteral("100037"));
        QString text;
        DrawSpacedText(box.box, text, 6);
        QCOMPARE(text, QStringLiteral("100037"));
        QVERIFY(box.box->showsSpacedText());
        QCOMPARE(box.box->extraSpacing(), 6);
        // The box follows its own text as it changes.
        box.box->setText(QStringLiteral("510610"));
        QCOMPARE(box.box->spacedText(), QStringLiteral("510610"));
        // A text given explicitly is drawn until the box's own text changes.
        QString other = QStringLiteral("99");
        DrawSpacedText(box.box, other, 6);
        QCOMPARE(box.box->spacedText(), QStringLiteral("99"));
        box.box->setText(QStringLiteral("1"));
        QCOMPARE(box.box->spacedText(), QStringLiteral("1"));
    }

    void drawSpacedTextOnAnEmptyBoxDrawsNothing() {
        SpacedBox box{QString()};
        QString text;
        DrawSpacedText(box.box, text, 6);
        QVERIFY(text.isEmpty());
        QVERIFY(inkRunStarts(box.grab()).isEmpty());
    }

    // Six digits with 6 pixels of spacing stand 6 pixels further apart than without, each where the
    // layout puts it, and nothing else is drawn (no second, unspaced copy of the text).
    void drawSpacedTextSpreadsTheDigits() {
        const QString digits = QStringLiteral("111111");
        SpacedBox plain(digits);
        SpacedBox spaced(digits);
        QString text;
        DrawSpacedText(plain.box, text, 0);
        text.clear();
        DrawSpacedText(spaced.box, text, 6);
        const QList<int> without = inkRunStarts(plain.grab());
        const QList<int> with = inkRunStarts(spaced.grab());
        QCOMPARE(without.size(), 6);
        QCOMPARE(with.size(), 6);
        const auto glyphs = LayOutSpacedText(digits, SpacedTextFont(spaced.box->font()), 6);
        for (int k = 0; k < 6; ++k) {
            QVERIFY2(qAbs((with[k] - with[0]) - (without[k] - without[0]) - 6 * k) <= 1,
                     qPrintable(QStringLiteral("digit %1: %2 / %3").arg(k).arg(with[k]).arg(without[k])));
            QVERIFY(qAbs((with[k] - with[0]) - (glyphs[k].cell.x() - glyphs[0].cell.x())) <= 1.0);
        }
    }

    // While the box has the focus it shows its normal text for editing, not the spaced one.
    void editingShowsTheNormalText() {
        SpacedBox box(QStringLiteral("111111"));
        box.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box.window));
        QString text;
        DrawSpacedText(box.box, text, 6);
        box.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box.window));
        box.elsewhere->setFocus();
        const QList<int> spaced = inkRunStarts(box.grab());
        box.box->setFocus();
        QVERIFY(box.box->hasFocus());
        const QList<int> editing = inkRunStarts(box.grab());
        QCOMPARE(spaced.size(), 6);
        QVERIFY(!editing.isEmpty());
        // The normal digits of the 24 pt box stand closer together than the spaced ones.
        QVERIFY(editing.size() >= 2);
        QVERIFY2(
            editing[1] - editing[0] <= spaced[1] - spaced[0] - 3,
            qPrintable(QStringLiteral("%1 / %2").arg(editing[1] - editing[0]).arg(spaced[1] - spaced[0])));
        box.elsewhere->setFocus();
        QCOMPARE(inkRunStarts(box.grab()), spaced);
    }
};

QTEST_MAIN(TestTextHelpers)
#include "test_text_helpers.moc"
