// The conversions of cell values into the text the import stores.

#include <QTest>
#include <limits>

#include "cell_text.h"

using namespace velmora;

class TestCellText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void generalNumberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("postcode") << 100010.0 << "100010";
        QTest::newRow("half has its leading zero") << 0.5 << "0.5";
        QTest::newRow("negative half") << -0.5 << "-0.5";
        QTest::newRow("no thousands separator") << 1234567.0 << "1234567";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("1E+15") << 1e15 << "1E+15";
        QTest::newRow("16 digits rounded") << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("0.0001 stays fixed") << 0.0001 << "0.0001";
        QTest::newRow("1E-05") << 0.00001 << "1E-05";
        QTest::newRow("0.1 + 0.2 in 15 digits") << 0.1 + 0.2 << "0.3";
        QTest::newRow("big exponent") << 1e100 << "1E+100";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "#NUM!";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "#NUM!";
    }
    void generalNumberText() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(GeneralNumberText(value), expected);
    }

    // A number through a format, given by its code or (a code of digits) by its built-in number.
    void formatted_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QString>("expected");
        QTest::newRow("general") << "General" << 45296.5 << false << "45296.5";
        QTest::newRow("amount") << "#,##0.00" << 1234.5 << false << "1234.5";
        QTest::newRow("colour") << "[Red]0.00" << 45296.0 << false << "45296";
        QTest::newRow("quoted letters") << "0\" days\"" << 45296.0 << false << "45296";
        QTest::newRow("escaped letter") << "0\\d" << 45296.0 << false << "45296";
        QTest::newRow("padding and text") << "_(0" << 45296.0 << false << "45296";
        QTest::newRow("iso date") << "yyyy-mm-dd" << 45296.0 << false << "2024-01-05";
        QTest::newRow("chinese date")
            << "[$-804]yyyy\"年\"m\"月\"d\"日\"" << 45296.75 << false << "2024-01-05";
        QTest::newRow("month name") << "mmmm" << 45296.0 << false << "2024-01-05";
        QTest::newRow("day") << "d" << 45296.0 << false << "2024-01-05";
        QTest::newRow("minutes") << "h:mm" << 0.75 << false << "18:00:00";
        QTest::newRow("minutes and seconds") << "mm:ss" << 0.5 << false << "12:00:00";
        QTest::newRow("elapsed hours") << "[h]:mm" << 0.25 << false << "06:00:00";
        QTest::newRow("elapsed seconds") << "[ss]" << 0.25 << false << "06:00:00";
        QTest::newRow("elapsed minutes") << "[mm]" << 0.25 << false << "06:00:00";
        QTest::newRow("unclosed bracket") << "[h" << 0.25 << false << "06:00:00";
        QTest::newRow("date and time") << "m/d/yy h:mm" << 45296.5 << false << "2024-01-05 12:00:00";
        QTest::newRow("midnight shows the date alone") << "m/d/yy h:mm" << 45296.0 << false << "2024-01-05";
        QTest::newRow("rounded to the second") << "m/d/yy h:mm" << 45296.999999999 << false << "2024-01-06";
        QTest::newRow("second section ignored") << "0.00;yyyy" << 45296.0 << false << "45296";
        QTest::newRow("first day") << "yyyy" << 1.0 << false << "1900-01-01";
        QTest::newRow("before the false leap day") << "yyyy" << 59.0 << false << "1900-02-28";
        QTest::newRow("the false leap day") << "yyyy" << 60.0 << false << "1900-02-29";
        QTest::newRow("after the false leap day") << "yyyy" << 61.0 << false << "1900-03-01";
        QTest::newRow("1904 system") << "yyyy" << 43834.0 << true << "2024-01-05";
        QTest::newRow("negative is no date") << "yyyy" << -1.0 << false << "-1";
        QTest::newRow("9999-12-31") << "yyyy" << 2958465.0 << false << "9999-12-31";
        QTest::newRow("past 9999 is no date") << "yyyy" << 2958466.0 << false << "2958466";
        QTest::newRow("built-in date") << "14" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in date 17") << "17" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in chinese date") << "31" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in date 36") << "36" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in date 50") << "50" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in date 58") << "58" << 45296.0 << false << "2024-01-05";
        QTest::newRow("built-in time") << "18" << 0.75 << false << "18:00:00";
        QTest::newRow("built-in time 35") << "35" << 0.75 << false << "18:00:00";
        QTest::newRow("built-in time 45") << "45" << 0.75 << false << "18:00:00";
        QTest::newRow("built-in time 56") << "56" << 0.75 << false << "18:00:00";
        QTest::newRow("built-in date and time") << "22" << 45296.5 << false << "2024-01-05 12:00:00";
        QTest::newRow("built-in percent") << "10" << 0.05 << false << "0.05";
        QTest::newRow("built-in text") << "49" << 45296.0 << false << "45296";
        QTest::newRow("built-in 13") << "13" << 45296.0 << false << "45296";
        QTest::newRow("built-in 37") << "37" << 45296.0 << false << "45296";
        QTest::newRow("built-in 59") << "59" << 45296.0 << false << "45296";
        QTest::newRow("postcode padded") << "000000" << 30000.0 << false << "030000";
        QTest::newRow("five digits") << "00000" << 1234.0 << false << "01234";
        QTest::newRow("longer than the padding") << "000" << 123456.0 << false << "123456";
        QTest::newRow("first section decides") << "000000;-000000" << 30000.0 << false << "030000";
        QTest::newRow("zero") << "000000" << 0.0 << false << "000000";
        QTest::newRow("a fraction is not rounded") << "000000" << 30000.5 << false << "30000.5";
        QTest::newRow("negative keeps its sign") << "000000" << -30.0 << false << "-30";
        QTest::newRow("beyond whole numbers") << "000000" << 1e15 << false << "1E+15";
        QTest::newRow("zeros with a point") << "000000.0" << 30000.0 << false << "30000";
        QTest::newRow("thirty zeros") << QString(30, u'0') << 7.0 << false << QString(29, u'0') + u'7';
        QTest::newRow("thirty-one zeros") << QString(31, u'0') << 7.0 << false << "7";
    }
    void formatted() {
        QFETCH(QString, code);
        QFETCH(double, value);
        QFETCH(bool, date1904);
        QFETCH(QString, expected);
        bool builtin = false;
        const int id = code.toInt(&builtin);
        const NumberFormat format =
            builtin && !code.startsWith(u'0') ? BuiltinNumberFormat(id) : NumberFormatOfCode(code);
        QCOMPARE(FormattedNumberText(value, format, date1904), expected);
    }

    void isoTexts_data() {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("duration");
        QTest::newRow("date") << "2024-01-05"
                              << "2024-01-05"
                              << "2024-01-05";
        QTest::newRow("date at midnight") << "2024-01-05T00:00:00"
                                          << "2024-01-05"
                                          << "2024-01-05T00:00:00";
        QTest::newRow("date and time") << "2024-01-05T10:30:00.5"
                                       << "2024-01-05 10:30:00"
                                       << "2024-01-05T10:30:00.5";
        QTest::newRow("hours and minutes") << "2024-01-05T10:30Z"
                                           << "2024-01-05 10:30:00"
                                           << "2024-01-05T10:30Z";
        QTest::newRow("one-digit hour") << "2024-01-05T1:30"
                                        << "2024-01-05T1:30"
                                        << "2024-01-05T1:30";
        QTest::newRow("a space for the T") << "2024-01-05 10:30"
                                           << "2024-01-05 10:30"
                                           << "2024-01-05 10:30";
        QTest::newRow("not a date") << "2024-13-05"
                                    << "2024-13-05"
                                    << "2024-13-05";
        QTest::newRow("duration") << "PT10H30M00S"
                                  << "PT10H30M00S"
                                  << "10:30:00";
        QTest::newRow("duration with fraction") << "PT01H02M03.25S"
                                                << "PT01H02M03.25S"
                                                << "01:02:03";
        QTest::newRow("duration of days") << "P1DT2H"
                                          << "P1DT2H"
                                          << "26:00:00";
        QTest::newRow("hours past a day") << "PT99999H"
                                          << "PT99999H"
                                          << "99999:00:00";
        QTest::newRow("beyond what a cell shows") << "PT71003184H"
                                                  << "PT71003184H"
                                                  << "2958466";
        QTest::newRow("long duration") << "PT9999999999999999999H1S"
                                       << ""
                                       << "4.16666666666667E+17";
        QTest::newRow("fraction of days") << "P3000000.5D"
                                          << ""
                                          << "3000000.5";
        QTest::newRow("broken duration") << "PT10X"
                                         << "PT10X"
                                         << "PT10X";
        QTest::newRow("hours before T") << "P10H"
                                        << "P10H"
                                        << "P10H";
        QTest::newRow("days after T") << "PT1D"
                                      << "PT1D"
                                      << "PT1D";
        QTest::newRow("letter without digits") << "PTH"
                                               << "PTH"
                                               << "PTH";
        QTest::newRow("digits without letter") << "PT10"
                                               << "PT10"
                                               << "PT10";
        QTest::newRow("two points") << "PT1.5.5S"
                                    << "PT1.5.5S"
                                    << "PT1.5.5S";
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

    void boundedText() {
        BoundedText text(5);
        text.append(u"abc");
        text.append(u"de");
        QCOMPARE(text.text(), QStringLiteral("abcde"));
        text.append(u"f");
        QVERIFY(text.tooLong());
        QCOMPARE(text.text(), QString());
        text.append(u"");
        QVERIFY(text.tooLong());
        QCOMPARE(BinaryErrorText(0x2A), QStringLiteral("#N/A"));
        QCOMPARE(BinaryErrorText(0x2B), QStringLiteral("#GETTING_DATA"));
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "test_cell_text.moc"
