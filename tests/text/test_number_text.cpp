#include <QTest>
#include <limits>

#include "text/amount.h"
#include "text/number_text.h"

using namespace velmora;
using namespace Qt::StringLiterals;

class TestNumberText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << " 0";
        QTest::newRow("negative zero") << -0.0 << " 0";
        QTest::newRow("three") << 3.0 << " 3";
        QTest::newRow("half") << 0.5 << " .5";
        QTest::newRow("negative half") << -0.5 << "-.5";
        QTest::newRow("decimals") << 7.25 << " 7.25";
        QTest::newRow("negative") << -12.0 << "-12";
        QTest::newRow("15 digits") << 123456789012345.0 << " 123456789012345";
        QTest::newRow("1E+15") << 1e15 << " 1E+15";
        QTest::newRow("16 digits round") << 1234567890123456.0 << " 1.23456789012346E+15";
        QTest::newRow("1E-05") << 0.00001 << " 1E-05";
        QTest::newRow("0.0001 stays fixed") << 0.0001 << " .0001";
        QTest::newRow("0.1 + 0.2 in 15 digits") << 0.1 + 0.2 << " .3";
        QTest::newRow("big exponent") << 1e100 << " 1E+100";
        QTest::newRow("largest") << std::numeric_limits<double>::max() << " 1.79769313486232E+308";
    }
    void numberText() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(NumberText(value), expected);
        QCOMPARE(TrimmedNumberText(value), expected.startsWith(' ') ? expected.mid(1) : expected);
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("integer") << "12" << 12.0;
        QTest::newRow("two points") << "12.3.4" << 12.3;
        QTest::newRow("thousands separator") << "1,000" << 1.0;
        QTest::newRow("blanks anywhere") << " 1 2\t3\n.5" << 123.5;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("sign") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("exponent E") << "1.5E3" << 1500.0;
        QTest::newRow("exponent D") << "2d-2" << 0.02;
        QTest::newRow("exponent without digits") << "4E" << 4.0;
        QTest::newRow("exponent sign without digits") << "4E+x" << 4.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("yuan sign stops") << "\uFFE512" << 0.0;
        QTest::newRow("carriage return stops") << "1\r2" << 1.0;
        QTest::newRow("overflow saturates") << "1E400" << std::numeric_limits<double>::max();
        QTest::newRow("negative overflow") << "-9e999" << std::numeric_limits<double>::lowest();
        QTest::newRow("long digits overflow") << QString(400, '9') << std::numeric_limits<double>::max();
        QTest::newRow("underflow") << "1E-400" << 0.0;
        QTest::newRow("underflow by fraction") << ".000001e-320" << 0.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(LeadingNumber(text), expected);
    }

    void formatAmount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "" << u"0.00"_s;
        QTest::newRow("no number") << "abc" << u"0.00"_s;
        QTest::newRow("integer") << "12" << u"12.00"_s;
        QTest::newRow("one decimal") << "12.5" << u"12.50"_s;
        QTest::newRow("cut, not rounded") << "12.345" << u"12.34"_s;
        QTest::newRow("99.999 cut") << "99.999" << u"99.99"_s;
        QTest::newRow("below one") << "0.5" << u".50"_s;
        QTest::newRow("tiny") << "0.001" << u".00"_s;
        QTest::newRow("below exponent form") << "0.00001" << u".00"_s;
        QTest::newRow("negative below exponent form") << "-0.00001" << u"-.00"_s;
        QTest::newRow("already normalised") << "\uFFE512.50" << u"12.50"_s;
        QTest::newRow("two signs") << "\uFFE5\uFFE57" << u"7.00"_s;
        QTest::newRow("two points") << "1.1.1" << u"1.10"_s;
        QTest::newRow("negative") << "-3" << u"-3.00"_s;
        QTest::newRow("hundred") << "100" << u"100.00"_s;
        QTest::newRow("nine digits") << "123456789" << u"123456789.00"_s;
        QTest::newRow("exponent form kept") << "1E16" << u"1E+16.00"_s;
    }
    void formatAmount() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QString amount = text;
        QCOMPARE(FormatAmount(amount), expected);
        QCOMPARE(amount, expected);
        // Normalising the box text again changes nothing; ".00" alone reads back as "0.00", the same zero.
        QString again = QStringLiteral("\uFFE5") + expected;
        QCOMPARE(FormatAmount(again), expected == ".00"    ? QStringLiteral("0.00")
                                      : expected == "-.00" ? QStringLiteral("0.00")
                                                           : expected);
    }

    void amountProblem_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("zero") << "\uFFE50.00" << true;
        QTest::newRow("largest") << "\uFFE59999999.99" << true;
        QTest::newRow("ten million") << "\uFFE510000000.00" << false;
        QTest::newRow("negative") << "\uFFE5-3.00" << false;
        QTest::newRow("negative below a fen") << "\uFFE5-.00" << false;
        QTest::newRow("exponent") << "\uFFE51E+16.00" << false;
    }
    void amountProblem() {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        QCOMPARE(AmountProblem(text).isEmpty(), fits);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_number_text.moc"
