#include <QTest>
#include <algorithm>

#include "platform/printer_surface_recording.h"
#include "printing/draw_remittance.h"

using namespace velmora;
using Call = RecordingSurface::Call;
using Kind = RecordingSurface::Kind;

namespace {

std::vector<Call> textOuts(const RecordingSurface& surface) {
    std::vector<Call> found;
    for (const Call& call : surface.calls) {
        if (call.kind == Kind::TextOut) {
            found.push_back(call);
        }
    }
    return found;
}

// The text outputs of one field, told apart by font size and spacing from the others in the form.
std::vector<Call> linesAt(const RecordingSurface& surface, int x) {
    std::vector<Call> found;
    for (const Call& call : textOuts(surface)) {
        if (call.x == x) {
            found.push_back(call);
        }
    }
    return found;
}

FormContent formWith(int field, const QString& text) {
    FormContent form;
    form.text[field] = text;
    return form;
}

}  // namespace

class TestDrawRemittance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The worked figures at 600 dpi with both offsets 0: x, the first two lines' y and the spacing.
    void workedFigures_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y0");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("extra");
        QTest::addColumn<float>("size");
        const QString longText =
            QStringLiteral("一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉");
        QTest::newRow("0 payee name") << 0 << longText << 933 << 732 << 899 << 0 << 20.0f;
        QTest::newRow("1 remitter name") << 1 << longText << 933 << 1205 << 1372 << 0 << 20.0f;
        QTest::newRow("2 payee address") << 2 << longText << 933 << 921 << 1021 << 0 << 12.0f;
        QTest::newRow("3 remitter address") << 3 << longText << 933 << 1394 << 1494 << 0 << 12.0f;
        QTest::newRow("4 payee postcode") << 4 << "1234567" << 2717 << 709 << 876 << 50 << 20.0f;
        QTest::newRow("5 remitter postcode") << 5 << "1234567" << 2717 << 1181 << 1348 << 50 << 20.0f;
        QTest::newRow("6 amount") << 6 << "\uFFE51234567890.12" << 3543 << 968 << 1093 << 65 << 15.0f;
        QTest::newRow("7 mobile") << 7 << "138000000001234" << 3780 << 307 << 407 << 30 << 12.0f;
        QTest::newRow("8 message") << 8 << longText << 3590 << 1181 << 1281 << 0 << 12.0f;
    }
    void workedFigures() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, x);
        QFETCH(int, y0);
        QFETCH(int, y1);
        QFETCH(int, extra);
        QFETCH(float, size);
        RecordingSurface surface(600);
        DrawRemittance(formWith(field, text), 0, 0, surface);
        // Every form draws the amount's blanks too; the field's own lines are those at its x.
        const std::vector<Call> lines = linesAt(surface, x);
        QVERIFY(lines.size() >= 2);
        QVERIFY(!lines[0].text.trimmed().isEmpty());
        QCOMPARE(lines[0].y, y0);
        QCOMPARE(lines[1].y, y1);
        QCOMPARE(lines[0].extra, extra);
        QCOMPARE(lines[0].fontSize, size);
        QVERIFY(lines[0].bold);
        QVERIFY(surface.ended());
    }

    // The conversions themselves, halves to the even neighbour at each step.
    void conversions() {
        RecordingSurface surface(600);
        QCOMPARE(MmToTwips(39.5), 2239);
        QCOMPARE(MmToTwips(10), 567);
        QCOMPARE(MmToDevicePixels(39.5, u"x", surface), 933);
        QCOMPARE(MmToDevicePixels(50.0 / 9.0, u"X", surface), 131);
        QCOMPARE(MmToDevicePixels(2, u"y", surface), 47);
        QCOMPARE(RoundToLong(2.5), 2);
        QCOMPARE(RoundToLong(3.5), 4);
        QCOMPARE(RoundToLong(-2.5), -2);
        QCOMPARE(RoundToLong(-0.5), 0);
        QCOMPARE(RoundToLong(2.5000001), 3);
        QVERIFY_THROWS_EXCEPTION(RoundingOverflow, RoundToLong(3e9));
        QVERIFY_THROWS_EXCEPTION(RoundingOverflow, MmToTwips(1e300));
    }

    // Ticks for value 1 only, at their twips in 10 pt; a greyed box (2) prints none.
    void ticks() {
        FormContent form;
        form.check = {1, 2, 0, 0, 0, 1, 0, 0, 1};
        RecordingSurface surface(600);
        DrawRemittance(form, 0, 0, surface);
        std::vector<Call> ticks;
        for (const Call& call : surface.calls) {
            if (call.kind == Kind::PrintText && call.text == kTick) {
                ticks.push_back(call);
            }
        }
        QCOMPARE(ticks.size(), std::size_t(3));
        QCOMPARE(ticks[0].x, 3543.0);
        QCOMPARE(ticks[0].y, 794.0);
        QCOMPARE(ticks[0].fontSize, 10.0f);
        QVERIFY(ticks[0].bold);
        QCOMPARE(ticks[1].x, 6038.0);  // 106.5 mm
        QCOMPARE(ticks[1].y, 1389.0);  // 24.5 mm
        QCOMPARE(ticks[2].x, 9241.0);  // 163 mm
        QCOMPARE(ticks[2].y, 1247.0);  // 22 mm
    }

    // One document: blanks first (they start it), every field in order, then the end.
    void documentShape() {
        RecordingSurface surface(600);
        DrawRemittance(FormContent{}, 0, 0, surface);
        QVERIFY(!surface.calls.empty());
        QCOMPARE(surface.calls.front().kind, Kind::PrintText);
        QCOMPARE(surface.calls.front().text, QStringLiteral("   "));
        QCOMPARE(surface.calls.back().kind, Kind::EndDocument);
        int blanks = 0;
        for (const Call& call : surface.calls) {
            blanks += call.kind == Kind::PrintText && call.text == QStringLiteral("   ");
        }
        QCOMPARE(blanks, 9);
        // An empty form draws only the amount's nine blanks and its sign before the fen box.
        const std::vector<Call> outs = textOuts(surface);
        QCOMPARE(outs.size(), std::size_t(2));
        QCOMPARE(outs[0].text, QString(9, QLatin1Char(' ')));
        QCOMPARE(outs[1].text, kYuanSign);
        QCOMPARE(outs[1].x, 3543 + 8 * 131 - 47);
        QCOMPARE(outs[1].y, 968);
    }

    // Offsets are subtracted from every position: +1.5 mm moves everything left and up.
    void offsets_data() {
        QTest::addColumn<double>("offsetX");
        QTest::addColumn<double>("offsetY");
        QTest::newRow("none") << 0.0 << 0.0;
        QTest::newRow("plus 1.5") << 1.5 << 1.5;
        QTest::newRow("stored 12.5 and 8") << 2.5 << -2.0;
        QTest::newRow("stored 0 and 30") << -10.0 << 20.0;
    }
    void offsets() {
        QFETCH(double, offsetX);
        QFETCH(double, offsetY);
        FormContent form;
        form.text[0] = QStringLiteral("张三");
        form.check[0] = 1;
        RecordingSurface surface(600);
        DrawRemittance(form, offsetX, offsetY, surface);
        const std::vector<Call> outs = textOuts(surface);
        QCOMPARE(outs[0].text, QStringLiteral("张三"));
        QCOMPARE(outs[0].x, MmToDevicePixels(39.5 - offsetX, u"x", surface));
        QCOMPARE(outs[0].y, MmToDevicePixels(31 - offsetY, u"y", surface));
        const auto tick = std::find_if(surface.calls.begin(), surface.calls.end(),
                                       [](const Call& c) { return c.text == kTick; });
        QVERIFY(tick != surface.calls.end());
        QCOMPARE(tick->x, double(MmToTwips(62.5 - offsetX)));
        QCOMPARE(tick->y, double(MmToTwips(14 - offsetY)));
        if (offsetX == 1.5) {
            // 38 mm is 2154 twips; over the single-precision 2.4 that is just under 897.5: 897.
            QCOMPARE(outs[0].x, 897);
            QCOMPARE(tick->x, 3543.0 - 85);
        }
    }

    // Lines are cut by characters (a surrogate pair is one), at most five, one font size apart.
    void lines_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("name of 7 fits") << 0 << "一二三四五六七" << QStringList{"一二三四五六七"};
        QTest::newRow("name of 8 wraps") << 0 << "一二三四五六七八" << QStringList{"一二三四五六七", "八"};
        QTest::newRow("name of 10 wraps")
            << 0 << "一二三四五六七八九十" << QStringList{"一二三四五六七", "八九十"};
        QTest::newRow("blanks trimmed") << 0 << "  张 三  " << QStringList{"张 三"};
        QTest::newRow("only blanks") << 1 << "     " << QStringList{};
        QTest::newRow("line break not interpreted") << 1 << "张\n三" << QStringList{"张\n三"};
        QTest::newRow("tabs kept") << 1 << "\t张" << QStringList{"\t张"};
        QTest::newRow("surrogate pair is one character")
            << 0 << QString::fromUtf8("𠀀一二三四五六七")
            << QStringList{QString::fromUtf8("𠀀一二三四五六"), "七"};
        const QString address = QString(130, QChar(u'路'));
        QTest::newRow("address cut after five lines")
            << 2 << address << QStringList(5, QString(25, QChar(u'路')));
        QTest::newRow("mobile of 11") << 7 << "13800000000" << QStringList{"13800000000"};
        QTest::newRow("message of 30") << 8 << QString(30, QChar(u'言'))
                                       << QStringList{QString(9, QChar(u'言')), QString(9, QChar(u'言')),
                                                      QString(9, QChar(u'言')), QString(3, QChar(u'言'))};
    }
    void lines() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        RecordingSurface surface(600);
        DrawRemittance(formWith(field, text), 0, 0, surface);
        const int x = MmToDevicePixels(FieldLayout[field].x, u"x", surface);
        const int y = MmToDevicePixels(FieldLayout[field].y, u"y", surface);
        const std::vector<Call> outs = linesAt(surface, x);
        std::vector<Call> own;
        for (const Call& call : outs) {
            if (call.fontSize == FieldLayout[field].fontSize && call.y >= y - 1) {
                own.push_back(call);
            }
        }
        QCOMPARE(int(own.size()), int(expected.size()));
        for (int j = 0; j < int(own.size()); ++j) {
            QCOMPARE(own[j].text, expected[j]);
            QCOMPARE(own[j].y, RoundToLong(y + j * FieldLayout[field].fontSize * 20 / 2.4f));
        }
    }

    // The amount: figures right-aligned in the nine boxes, the sign in the box before the first.
    void amount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("signX");  // -1: no sign
        QTest::newRow("123.45") << "\uFFE5123.45" << QStringList{"    12345"} << 3889;
        QTest::newRow("1234567.89 fills all") << "\uFFE51234567.89" << QStringList{"123456789"} << -1;
        QTest::newRow("empty box") << "" << QStringList{"         "} << 3543 + 8 * 131 - 47;
        QTest::newRow("zero") << "\uFFE50.00" << QStringList{"      000"} << 3543 + 5 * 131 - 47;
        QTest::newRow("below one") << "\uFFE5.50" << QStringList{"       50"} << 3543 + 6 * 131 - 47;
        QTest::newRow("123 not reformatted") << "123" << QStringList{"      123"} << 3543 + 5 * 131 - 47;
        QTest::newRow("eight figures") << "\uFFE5123456.78" << QStringList{" 12345678"} << 3543 - 47;
        QTest::newRow("more than nine figures") << "\uFFE512345678.90" << QStringList{"123456789", "0"} << -1;
        QTest::newRow("blanks around")
            << "  \uFFE512.50  " << QStringList{"     1250"} << 3543 + 4 * 131 - 47;
    }
    void amount() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QFETCH(int, signX);
        RecordingSurface surface(600);
        DrawRemittance(formWith(6, text), 0, 0, surface);
        const std::vector<Call> outs = textOuts(surface);
        QStringList drawn;
        int signs = 0;
        for (const Call& call : outs) {
            if (call.text == kYuanSign) {
                ++signs;
                QCOMPARE(call.x, signX);
                QCOMPARE(call.y, 968 + (lines.size() - 1) * 125);
                QCOMPARE(call.fontSize, 15.0f);
            } else {
                QCOMPARE(call.x, 3543);
                QCOMPARE(call.extra, 65);
                drawn << call.text;
            }
        }
        QCOMPARE(drawn, lines);
        QCOMPARE(signs, signX < 0 ? 0 : 1);
    }

    // Other resolutions: every conversion goes through the surface's twips per pixel.
    void resolutions_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("nameX");
        QTest::addColumn<int>("postcodeExtra");
        QTest::addColumn<int>("amountExtra");
        QTest::newRow("300 dpi") << 300 << 466 << 25 << 32;  // 32.5 rounds to the even 32
        QTest::newRow("1200 dpi") << 1200 << 1866 << 100 << 130;
    }
    void resolutions() {
        QFETCH(int, dpi);
        QFETCH(int, nameX);
        QFETCH(int, postcodeExtra);
        QFETCH(int, amountExtra);
        FormContent form;
        form.text[0] = QStringLiteral("张");
        form.text[4] = QStringLiteral("100000");
        RecordingSurface surface(dpi);
        DrawRemittance(form, 0, 0, surface);
        const std::vector<Call> outs = textOuts(surface);
        QCOMPARE(outs[0].x, nameX);
        QCOMPARE(outs[1].extra, postcodeExtra);
        QCOMPARE(outs[2].extra, amountExtra);
    }

    // A calibration value no position can hold skips what it places instead of failing the form.
    void absurdOffsetsDrawWhatTheyCan() {
        FormContent form;
        form.text[0] = QStringLiteral("张三");
        form.check[0] = 1;
        RecordingSurface surface(600);
        DrawRemittance(form, 1e300, 0, surface);
        QVERIFY(textOuts(surface).empty());
        QVERIFY(surface.ended());
        QVERIFY(!surface.failed());
    }

    // A surface that cannot start: nothing is drawn and the failure stays visible.
    void failedStart() {
        RecordingSurface surface(600);
        surface.failToStart = true;
        DrawRemittance(formWith(0, QStringLiteral("张三")), 0, 0, surface);
        QVERIFY(surface.calls.empty());
        QVERIFY(surface.failed());
        QVERIFY(!surface.failure().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDrawRemittance)
#include "test_draw_remittance.moc"
