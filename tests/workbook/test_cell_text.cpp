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
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("date1904");
        QTest::addColumn<QString>("expected");
        AddRows(QStringLiteral("workbooks/number-formats.txt"), "ssis");
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
    void isoTexts_data() {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("duration");
        AddRows(QStringLiteral("workbooks/iso-texts.txt"), "sss");
    }
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
