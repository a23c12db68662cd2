// Where the renderer puts a form's content on the page, the lengths it converts on the way, and the
// spaced text of the numeric boxes. Positions are worked out from the layout in millimetres:
// mm × 0.03937 × 1440 twips, rounded, then divided by the twips per dot (2.4 at 600 dpi) and rounded.

#include <QFontMetricsF>
#include <QTest>

#include "calibration.h"
#include "draw_remittance.h"
#include "length.h"
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

    // One field filled at a time, offsets 0: where its lines land in device pixels, in which size and
    // with how much extra spacing. The amount stands right-aligned in its nine boxes (pitch 131 px at
    // 600 dpi), the sign one box before the first figure and 47 px (2 mm) to the left.
    void fields() {
        const QString address(25, u'地');
        const std::tuple<int, Field, QString, QString, float, int> rows[] = {
            // dpi, field, text, placed, size, extra
            {600, Field::PayeeName, U("张三"), U("933,732:张三"), 20, 0},
            {600, Field::PayeeName, U("一二三四五六七八"), U("933,732:一二三四五六七|933,899:八"), 20, 0},
            {600, Field::PayeeName, U("   "), {}, 0, 0},
            {600, Field::RemitterName, U("  李四  "), U("933,1205:李四"), 20, 0},
            {600, Field::PayeeAddress, address + U("址址"), U("933,921:") + address + U("|933,1021:址址"), 12,
             0},
            {600, Field::RemitterAddress, U("上海"), U("933,1394:上海"), 12, 0},
            {600, Field::PayeePostcode, U("100080"), U("2717,709:100080"), 20, 50},
            {600, Field::RemitterPostcode, U("200000"), U("2717,1181:200000"), 20, 50},
            {600, Field::Amount, U("￥123.45"), U("3543,968:    12345|3889,968:￥"), 15, 65},
            {600, Field::Amount, U("￥1234567.89"), U("3543,968:123456789"), 15, 65},
            {600, Field::Amount, U("12345678"), U("3543,968: 12345678|3496,968:￥"), 15, 65},
            {600, Field::Amount, U("12345678901"), U("3543,968:123456789|3543,1093:01"), 15, 65},
            {600, Field::Amount, U("123"), U("3543,968:      123|4151,968:￥"), 15, 65},
            {600, Field::Amount, {}, U("3543,968:         |4544,968:￥"), 15, 65},
            {600, Field::Mobile, U("13912345678"), U("3780,307:13912345678"), 12, 30},
            {600, Field::Mobile, U("139123456789"), U("3780,307:13912345678|3780,407:9"), 12, 30},
            {600, Field::Message, U("附言"), U("3590,1181:附言"), 12, 0},
            // At 300 dpi a dot is 4.8 twips and 50/600 inch of spacing is 25 dots.
            {300, Field::PayeeName, U("一二三四五六七八"), U("466,366:一二三四五六七|466,449:八"), 20, 0},
            {300, Field::PayeePostcode, U("100080"), U("1358,354:100080"), 20, 25},
        };
        for (const auto& [dpi, field, text, placed, size, extra] : rows) {
            FormContent form;
            form.text(field) = text;
            RecordingSurface surface(dpi);
            DrawRemittance(form, {}, surface);
            QCOMPARE(Placed(surface, Kind::TextOut, field == Field::Amount), placed);
            for (const RecordingSurface::Call& call : surface.calls) {
                if (call.kind == Kind::TextOut && (field == Field::Amount) == (call.fontSize == 15)) {
                    QCOMPARE(call.fontSize, size);
                    QCOMPARE(call.extra, extra);
                }
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
};

QTEST_MAIN(TestRendering)
#include "test_rendering.moc"
