// The reader of comma- and tab-separated text: encodings, separators, quoting, bounds.

#include <QStringEncoder>
#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QByteArray utf16(const QString& text, bool bigEndian) {
    return QStringEncoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                          QStringConverter::Flag::WriteBom)(text);
}

}  // namespace

class TestWorkbookCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The file's bytes, then rows 1 to 3 of columns 1 to 3 (",|" between cells and rows).
    void cells_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-8") << QByteArray("张三,030000,1234.50\n李四,\"北京, 东城\",\n")
                               << "张三,030000,1234.50|李四,北京, 东城,|,,";
        QTest::newRow("utf-8 with its mark")
            << QByteArray("\xEF\xBB\xBFname,a\r\n\xEF\xBB\xBFx") << "name,a,|\uFEFFx,,|,,";
        QTest::newRow("utf-16le") << utf16(QStringLiteral("张三,1\r\n李四,2"), false) << "张三,1,|李四,2,|,,";
        QTest::newRow("utf-16be") << utf16(QStringLiteral("张三\t1\n李\"四\t2\n"), true)
                                  << "张三,1,|李\"四,2,|,,";
        QTest::newRow("utf-16 odd byte") << utf16(QStringLiteral("ab"), false) + 'c' << "ab,,|,,|,,";
        QTest::newRow("gb18030") << QByteArray(QStringEncoder("GB18030")(QStringLiteral("张三,邮编\n钱七,€")))
                                 << "张三,邮编,|钱七,€,|,,";
        QTest::newRow("quotes doubled, line breaks")
            << QByteArray("\"a\"\"b\",\"x\r\ny\"\n\"\"") << "a\"b,x\r\ny,|,,|,,";
        QTest::newRow("text after a closing quote") << QByteArray("\"ab\"cd,e\"f\"") << "abcd,e\"f\",|,,|,,";
        QTest::newRow("quote never closed") << QByteArray("a,\"b,c\nd") << "a,b,c\nd,|,,|,,";
        QTest::newRow("tabs without commas") << QByteArray("a\tb\tc\nd,e\tf") << "a,b,c|d,e,f,|,,";
        QTest::newRow("tabs and commas: commas") << QByteArray("a\tb,c\nd") << "a\tb,c,|d,,|,,";
        QTest::newRow("carriage returns alone") << QByteArray("a\rb\r\rc") << "a,,|b,,|,,";
        QTest::newRow("blank line, empty fields") << QByteArray("\n,,x\n") << ",,|,,x|,,";
        QTest::newRow("spaces kept") << QByteArray(" a , b ") << " a , b ,|,,|,,";
        QTest::newRow("too long") << "a," + QByteArray(32768, 'x') << "a,error 14,|,,|,,";
        QTest::newRow("longest") << QByteArray(32767, 'x') + ",\"" + QByteArray(32767, '"') + "\""
                                 << "";
        QTest::newRow("far too long") << "a,\"" + QByteArray(200000, 'x') << "a,error 14,|,,|,,";
        QTest::newRow("columns past the last") << QByteArray(",").repeated(20000) + "\nz"
                                               << ",,|z,,|,,";
    }
    void cells() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        std::unique_ptr<Worksheet> sheet =
            openWorkbookData(bytes, QStringLiteral("csv"))->worksheet(QStringLiteral("x"));
        if (expected.isEmpty()) {  // the longest cells read whole
            QCOMPARE(sheet->cellText(1, 1).size(), 32767);
            QCOMPARE(sheet->cellText(1, 2).size(), 16384);
            return;
        }
        QStringList rows;
        for (int row = 1; row <= 3; ++row) {
            QStringList cells;
            for (int col = 1; col <= 3; ++col) {
                const int error = ErrorNumber([&] { cells << sheet->cellText(row, col); });
                if (error != 0) {
                    cells << QStringLiteral("error %1").arg(error);
                }
            }
            rows << cells.join(u',');
        }
        QCOMPARE(rows.join(u'|'), expected);
    }

    void sheet() {
        const QByteArray bytes = "a\n\n \nb,c\n" + QByteArray("\n").repeated(1048576) + "past the last row";
        std::unique_ptr<Workbook> book = openWorkbookData(bytes, QStringLiteral("TXT"));
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("Sheet1")));
        std::unique_ptr<Worksheet> sheet = book->worksheet({});
        QCOMPARE(sheet->maxRow(), 1048576);
        QCOMPARE(sheet->maxColumn(), 16384);
        QCOMPARE(sheet->nextRowWithData(0, {1}), 1);
        QCOMPARE(sheet->nextRowWithData(1, {1, 2}), 4);
        QCOMPARE(sheet->nextRowWithData(1, {2}), 4);
        QCOMPARE(sheet->nextRowWithData(4, {1, 2}), 0);
        QCOMPARE(sheet->cellText(4, 2), QStringLiteral("c"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("a"));
        QCOMPARE(ErrorNumber([&] { sheet->cellText(1048577, 1); }), kErrorCellOutOfRange);
        QCOMPARE(ErrorNumber([] { openWorkbookData("a,b", QStringLiteral("xlsx")); }), kErrorNotWorkbook);
    }
};

QTEST_GUILESS_MAIN(TestWorkbookCsv)
#include "test_workbook_csv.moc"
