// Where the renderer puts a form's content on the page, the lengths it converts on the way, and the
// spaced text of the numeric boxes. Positions are worked out from the layout in millimetres:
// mm × 0.03937 × 1440 twips, rounded, then divided by the twips per dot (2.4 at 600 dpi) and rounded.

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "calibration.h"
#include "cases.h"
#include "draw_remittance.h"
#include "length.h"
#include "printer_surface_qt.h"
#include "recording_surface.h"
#include "rounding.h"
#include "spaced_text.h"

using namespace velmora;
using velmora::test::RecordingSurface;
using Kind = RecordingSurface::Kind;

namespace {

// The calls of one kind as "x,y:text", joined by "|"; the amount's (15 pt) left out unless wanted.
QString Placed(const RecordingSurface& surface, Kind kind, bool amount = true) {
    QStringList placed;
    for (const RecordingSurface::Call& call : surface.calls) {
        if (call.kind == kind && (amount || call.fontSize != 15)) {
            placed << QStringLiteral("%1,%2:%3").arg(call.x).arg(call.y).arg(call.text);
        }
    }
    return placed.join(u'|');
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

class TestRendering : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Millimetres to twips, then to device pixels at 600 dpi (2.4 twips per dot) and 300 (4.8).
    void lengths() {
        // 0.1111 mm is 6.298 twips, rounded to 6 first: 2.5 pixels, not 2.62.
        const std::tuple<double, int, int, int> rows[] = {{10, 567, 236, 118},     {39.5, 2239, 933, 466},
                                                          {31, 1757, 732, 366},    {115, 6520, 2717, 1358},
                                                          {-10, -567, -236, -118}, {0.1111, 6, 2, 1}};
        const RecordingSurface fine(600), coarse(300);
        for (const auto& [mm, twips, across, down] : rows) {
            QCOMPARE(MmToTwips({mm}), twips);
            QCOMPARE(MmToDevicePixels({mm}, Axis::X, fine).value, across);
            QCOMPARE(MmToDevicePixels({mm}, Axis::Y, coarse).value, down);
        }
        QCOMPARE(ToTwips({10}).value, 566.928);
        QVERIFY_THROWS_EXCEPTION(RoundingOverflow, MmToTwips({1e8}));
    }

    void lines() {
        const QString line(25, u'地');
        const std::tuple<QString, int, int, QString, int> rows[] = {
            // text, per line, lines, split, count
            {U("一二三四五六七八"), 7, 5, U("一二三四五六七|八"), 8},
            {U("abcdefghij"), 3, 2, U("abc|def"), 10},
            {{}, 7, 5, {}, 0},
            {U("\U0001F600\U0001F600\U0001F600"), 2, 5, U("\U0001F600\U0001F600|\U0001F600"), 3},
            {QStringLiteral("a\xD800"), 1, 5, QStringLiteral("a|\xD800"), 2},
            {QStringLiteral("a\xDC00") + u'b', 1, 5, QStringLiteral("a|\xDC00|b"), 3},
            {QString(130, u'地'), 25, 5, QStringList(5, line).join(u'|'), 130},
        };
        for (const auto& [text, perLine, maxLines, lines, characters] : rows) {
            QCOMPARE(SplitIntoLines(text, perLine, maxLines).join(u'|'), lines);
            QCOMPARE(CharacterCount(text), characters);
        }
    }

    // printing/fields.txt: one field filled at a time, offsets 0: where its lines land in device pixels,
    // in which size and with how much extra spacing. The amount stands right-aligned in its nine boxes
    // (pitch 131 px at 600 dpi), the sign one box before the first figure and 47 px (2 mm) to the left.
    void fields_data() {
        velmora::test::AddRows(QStringLiteral("printing/fields.txt"),
                               "dpi:i field:i text:s placed:s size:d extra:i");
    }
    void fields() {
        QFETCH(int, dpi);
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(double, size);
        QFETCH(int, extra);
        FormContent form;
        form.text(Field(field)) = text;
        RecordingSurface surface(dpi);
        DrawRemittance(form, {}, surface);
        const bool amount = Field(field) == Field::Amount;
        QTEST(Placed(surface, Kind::TextOut, amount), "placed");
        for (const RecordingSurface::Call& call : surface.calls) {
            if (call.kind == Kind::TextOut && amount == (call.fontSize == 15)) {
                QCOMPARE(call.fontSize, float(size));
                QCOMPARE(call.extra, extra);
            }
        }
    }

    // The whole document: blanks first, bold throughout, the ticks at their places in twips, one end;
    // nothing at all when the printer cannot start.
    void document() {
        FormContent form;
        form.checks.fill(CheckValue::Ticked);
        form.check(Tick::Urgent) = CheckValue::Greyed;
        form.check(Tick::Ordinary) = CheckValue::Clear;
        RecordingSurface surface;
        DrawRemittance(form, {}, surface);
        QVERIFY(surface.ended());
        QCOMPARE(surface.calls.front().kind, Kind::PrintText);
        QCOMPARE(surface.calls.front().text, QStringLiteral("   "));
        QCOMPARE(surface.calls.back().kind, Kind::EndDocument);
        int blanks = 0;
        QStringList ticks;
        for (const RecordingSurface::Call& call : surface.calls) {
            QVERIFY(call.bold);
            blanks += call.text == QStringLiteral("   ");
            if (call.text == QStringLiteral("\u221A")) {
                QCOMPARE(call.fontSize, 10.0f);
                ticks << QStringLiteral("%1,%2").arg(call.x).arg(call.y);
            }
        }
        QCOMPARE(blanks, 9);
        QCOMPARE(ticks.join(u'|'),
                 QStringLiteral("3543,794|3543,1383|6038,1077|6038,1389|7710,822|7710,1247|9241,1247"));

        // Stored 12.5 and 8: everything 2.5 mm further left and 2 mm further down.
        form.text(Field::PayeeName) = QStringLiteral("张");
        RecordingSurface moved;
        DrawRemittance(form, Calibration{{12.5}, {8}}.offsets(), moved);
        QCOMPARE(Placed(moved, Kind::TextOut, false), QStringLiteral("874,780:张"));
        QVERIFY(Placed(moved, Kind::PrintText).startsWith(QStringLiteral("0,0:   |3402,907:\u221A")));
        RecordingSurface refusing;
        refusing.failToStart = true;
        DrawRemittance(form, {}, refusing);
        QVERIFY(refusing.calls.empty() && refusing.failed() && !refusing.ended());
    }

    void spacedText() {
        const std::pair<double, int> heights[] = {{24, 31}, {14.25, 19}, {12, 16}, {10.5, 14}, {9, 12}};
        for (const auto& [points, pixels] : heights) {
            QCOMPARE(SpacedTextFontHeight(points), pixels);
        }
        QFont box(QStringLiteral("SimSun"));
        box.setPointSizeF(24);
        box.setBold(true);
        const QFont font = SpacedTextFont(box);
        QVERIFY(qAbs(QFontMetricsF(font).height() - 31) <= 1);
        QCOMPARE(font.weight(), QFont::Normal);

        // A cell a character, 6 pixels after the advance Qt measures for the text before it.
        const QList<SpacedGlyph> glyphs = LayOutSpacedText(QStringLiteral("1𠀀0"), font, 6);
        const QFontMetricsF metrics(font);
        QCOMPARE(glyphs.size(), 3);
        QCOMPARE((QStringList{glyphs[0].text, glyphs[1].text, glyphs[2].text}),
                 (QStringList{"1", "𠀀", "0"}));
        QCOMPARE(glyphs[0].cell, QPointF(1, 1));
        QCOMPARE(glyphs[0].baseline, QPointF(1, 1 + metrics.ascent()));
        QCOMPARE(glyphs[1].cell.x(), 1 + metrics.horizontalAdvance(QStringLiteral("1")) + 6);
        QCOMPARE(glyphs[2].cell.x(), 1 + metrics.horizontalAdvance(QStringLiteral("1𠀀")) + 12);
        QCOMPARE(glyphs[2].advance, metrics.horizontalAdvance(QStringLiteral("0")));
    }

    // Bold is drawn: the same text in bold holds more ink than in the regular face, and starts where it does.
    void boldInk() {
        const auto ink = [](bool bold) {
            QImage page(800, 200, QImage::Format_Grayscale8);
            page.fill(Qt::white);
            QPainter painter(&page);
            PageSurface surface(painter, 600, 600);
            surface.setFontSize(12);
            surface.setBold(bold);
            surface.textOut(DevicePixels{50}, DevicePixels{50}, QStringLiteral("汇款单"));
            painter.end();
            int dark = 0, left = page.width();
            for (int i = 0; i < page.width() * page.height(); ++i) {  // 800 bytes a line: no padding
                left = page.constBits()[i] < 128 ? (++dark, std::min(left, i % page.width())) : left;
            }
            return std::pair{dark, left};
        };
        const auto [regular, regularLeft] = ink(false);
        const auto [bold, boldLeft] = ink(true);
        QVERIFY2(regular > 500 && bold > regular * 11 / 10,
                 qPrintable(QStringLiteral("%1 %2").arg(regular).arg(bold)));
        QVERIFY(qAbs(boldLeft - regularLeft) <= 4);  // the outline lies half a line's width to the left
    }
};

QTEST_MAIN(TestRendering)
#include "test_rendering.moc"
