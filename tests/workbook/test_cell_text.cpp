// The conversions of cell values into the text the import stores.

#include <QTest>

#include "cell_text.h"
#include "workbook_files.h"

using namespace velmora;
using velmora::test::AddRows;

class TestCellText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // number-formats.txt: a number through a format.
    void formatted_data() {
        AddRows(QStringLiteral("workbooks/number-formats.txt"), "code:s value:s date1904:i expected:s");
    }
    void formatted() {
        QFETCH(QString, code);
        QFETCH(QString, value);
        QFETCH(int, date1904);
        QFETCH(QString, expected);
        bool builtin = false;
        const int id = code.toInt(&builtin);
        const NumberFormat format =
            builtin && !code.startsWith(u'0') ? BuiltinNumberFormat(id) : NumberFormatOfCode(code);
        QCOMPARE(FormattedNumberText(value.toDouble(), format, date1904 == 1), expected);
    }

    // iso-texts.txt: dates and durations as OpenDocument and Office XML store them.
    void isoTexts_data() { AddRows(QStringLiteral("workbooks/iso-texts.txt"), "iso:s date:s duration:s"); }
    void isoTexts() {
        QFETCH(QString, iso);
        QFETCH(QString, date);
        QFETCH(QString, duration);
        if (!date.isEmpty()) {
            QCOMPARE(IsoDateText(iso), date);
        }
        QCOMPARE(IsoDurationText(iso), duration);
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "test_cell_text.moc"
