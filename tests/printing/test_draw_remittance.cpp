#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestDrawRemittance)
#include "test_draw_remittance.moc"
