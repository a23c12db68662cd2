#include <QTest>
#include <limits>

#include "cell_text.h"

using namespace velmora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(velmora::NumberFormatKind)

class TestCellText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void generalNumberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("postcode") << 100010.0 << "100010";
        QTest::newRow("postcode with leading zero digit kept as number") << 10020.0 << "10020";
        QTest::newRow("half has its leading zero") << 0.5 << "0.5";
        QTest::newRow("negative half") << -0.5 << "-0.5";
        QTest::newRow("amount") << 1234.5 << "1234.5";
        QTest::newRow("no thousands separator") << 1234567.0 << "1234567";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("1E+15") << 1e15 << "1E+15";
        QTest::newRow("16 digits rounded") << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("0.0001 stays fixed") << 0.0001 << "0.0001";
        QTest::newRow("1E-05") << 0.00001 << "1E-05";
        QTest::newRow("0.1 + 0.2 in 15 digits") << 0.1 + 0.2 << "0.3";
        QTest::newRow("a third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("big exponent") << 1e100 << "1E+100";
        QTest::newRow("largest") << std::numeric_limits<double>::max() << "1.79769313486232E+308";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "#NUM!";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "#NUM!";
    }
    void generalNumberText() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(GeneralNumberText(value), expected);
    }

    void formatKinds_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<NumberFormatKind>("kind");
        QTest::newRow("general") << "General" << NumberFormatKind::Number;
        QTest::newRow("amount") << "#,##0.00" << NumberFormatKind::Number;
        QTest::newRow("scientific") << "0.00E+00" << NumberFormatKind::Number;
        QTest::newRow("colour") << "[Red]0.00" << NumberFormatKind::Number;
        QTest::newRow("currency locale") << "[$\u00A5-804]#,##0.00" << NumberFormatKind::Number;
        QTest::newRow("quoted letters") << "0\" days\"" << NumberFormatKind::Number;
        QTest::newRow("escaped letter") << "0\\d" << NumberFormatKind::Number;
        QTest::newRow("iso date") << "yyyy-mm-dd" << NumberFormatKind::Date;
        QTest::newRow("chinese date") << "[$-804]yyyy\"年\"m\"月\"d\"日\"" << NumberFormatKind::Date;
        QTest::newRow("month name") << "mmmm" << NumberFormatKind::Date;
        QTest::newRow("minutes") << "h:mm" << NumberFormatKind::Time;
        QTest::newRow("minutes and seconds") << "mm:ss" << NumberFormatKind::Time;
        QTest::newRow("elapsed hours") << "[h]:mm:ss" << NumberFormatKind::Time;
        QTest::newRow("date and time") << "m/d/yy h:mm" << NumberFormatKind::DateTime;
        QTest::newRow("second section ignored") << "0.00;yyyy" << NumberFormatKind::Number;
    }
    void formatKinds() {
        QFETCH(QString, code);
        QFETCH(NumberFormatKind, kind);
        QCOMPARE(NumberFormatCodeKind(code), kind);
    }

    void builtinFormats() {
        QCOMPARE(BuiltinNumberFormatKind(0), NumberFormatKind::Number);
        QCOMPARE(BuiltinNumberFormatKind(10), NumberFormatKind::Number);  // 0.00%
        QCOMPARE(BuiltinNumberFormatKind(14), NumberFormatKind::Date);
        QCOMPARE(BuiltinNumberFormatKind(20), NumberFormatKind::Time);
        QCOMPARE(BuiltinNumberFormatKind(22), NumberFormatKind::DateTime);
        QCOMPARE(BuiltinNumberFormatKind(31), NumberFormatKind::Date);    // yyyy"年"m"月"d"日"
        QCOMPARE(BuiltinNumberFormatKind(32), NumberFormatKind::Time);    // h"时"mm"分"
        QCOMPARE(BuiltinNumberFormatKind(49), NumberFormatKind::Number);  // @
    }

    void serialDates_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<NumberFormatKind>("kind");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a date") << 45296.0 << NumberFormatKind::Date << false << "2024-01-05";
        QTest::newRow("time dropped from a date")
            << 45296.75 << NumberFormatKind::Date << false << "2024-01-05";
        QTest::newRow("date and time")
            << 45296.5 << NumberFormatKind::DateTime << false << "2024-01-05 12:00:00";
        QTest::newRow("midnight shows the date alone")
            << 45296.0 << NumberFormatKind::DateTime << false << "2024-01-05";
        QTest::newRow("time of day") << 0.75 << NumberFormatKind::Time << false << "18:00:00";
        QTest::newRow("rounded to the second")
            << 45296.999999999 << NumberFormatKind::DateTime << false << "2024-01-06";
        QTest::newRow("first day") << 1.0 << NumberFormatKind::Date << false << "1900-01-01";
        QTest::newRow("before the false leap day") << 59.0 << NumberFormatKind::Date << false << "1900-02-28";
        QTest::newRow("the false leap day") << 60.0 << NumberFormatKind::Date << false << "1900-02-29";
        QTest::newRow("after the false leap day") << 61.0 << NumberFormatKind::Date << false << "1900-03-01";
        QTest::newRow("1904 system") << 0.0 << NumberFormatKind::Date << true << "1904-01-01";
        QTest::newRow("1904 system later") << 43834.0 << NumberFormatKind::Date << true << "2024-01-05";
        QTest::newRow("negative is no date") << -1.0 << NumberFormatKind::Date << false << "-1";
        QTest::newRow("past 9999 is no date") << 3e6 << NumberFormatKind::Date << false << "3000000";
        QTest::newRow("a plain number") << 45296.5 << NumberFormatKind::Number << false << "45296.5";
    }
    void serialDates() {
        QFETCH(double, serial);
        QFETCH(NumberFormatKind, kind);
        QFETCH(bool, date1904);
        QFETCH(QString, expected);
        QCOMPARE(SerialDateText(serial, kind, date1904), expected);
    }

    void isoTexts_data() {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("duration");
        QTest::newRow("date") << "2024-01-05" << u"2024-01-05"_s << u"2024-01-05"_s;
        QTest::newRow("date at midnight")
            << "2024-01-05T00:00:00" << u"2024-01-05"_s << u"2024-01-05T00:00:00"_s;
        QTest::newRow("date and time")
            << "2024-01-05T10:30:00.5" << u"2024-01-05 10:30:00"_s << u"2024-01-05T10:30:00.5"_s;
        QTest::newRow("not a date") << "2024-13-05" << u"2024-13-05"_s << u"2024-13-05"_s;
        QTest::newRow("duration") << "PT10H30M00S" << u"PT10H30M00S"_s << u"10:30:00"_s;
        QTest::newRow("duration with fraction") << "PT01H02M03.25S" << u"PT01H02M03.25S"_s << u"01:02:03"_s;
        QTest::newRow("duration of days") << "P1DT2H" << u"P1DT2H"_s << u"26:00:00"_s;
        QTest::newRow("broken duration") << "PT10X" << u"PT10X"_s << u"PT10X"_s;
        QTest::newRow("too many digits") << "PT9999999999H" << u"PT9999999999H"_s << u"PT9999999999H"_s;
    }

    void isoTexts() {
        QFETCH(QString, iso);
        QFETCH(QString, date);
        QFETCH(QString, duration);
        QCOMPARE(IsoDateText(iso), date);
        QCOMPARE(IsoDurationText(iso), duration);
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "test_cell_text.moc"
