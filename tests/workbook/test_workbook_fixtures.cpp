// The readers on the workbook LibreOffice Calc made (tools/make-fixtures.sh) in every format, and the
// error numbers of paths that hold no workbook.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using velmora::test::ErrorNumber;

namespace {

QString fixture(const QString& format) {
    return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tests/data/workbooks/payees.") +
           format;
}

const QStringList kFormats = {QStringLiteral("xlsx"), QStringLiteral("xls"), QStringLiteral("ods"),
                              QStringLiteral("csv")};

// Sheet1, as every format must give it.
const char* const kSheet1[8][4] = {
    {"收款人", "邮编", "地址", "金额"},
    {"张三", "100010", "北京市东城区东长安街1号", "1234.5"},
    {"李四", "010020", "上海市黄浦区中山东一路2号", "0.5"},
    {" 王五  ", "518000", "深圳市福田区  深南大道3号", "1235"},
    {"", "", "", ""},
    {"赵六", "030000", "广州市越秀区\n第二行", "#DIV/0!"},
    {"钱七", "123456789012345", "\"引号\", 逗号", "#N/A"},
    {"2024-01-05", "0.333333333333333", "-12.75", "0.1"},
};

// The other sheets, which CSV has not.
const struct {
    const char* sheet;
    int row, col;
    const char* text;
} kOthers[] = {
    {"数据2", 1, 1, "第二张表"},
    {"数据2", 2, 1, "重复"},
    {"数据2", 4, 1, "重复"},
    {"数据2", 4, 2, "7"},
    {"数据2", 5, 1, ""},
    {"2024", 1, 1, ""},
    {"2024", 1, 3, "sheet named 2024"},
    {"类型", 1, 1, "1"},  // LibreOffice keeps a typed TRUE as the number 1
    {"类型", 1, 2, "1E+17"},
    {"类型", 1, 3, "1E-05"},
    {"类型", 1, 4, "0.05"},
    {"类型", 2, 1, "True"},
    {"类型", 2, 2, "#VALUE!"},
    {"类型", 2, 3, "0"},
    {"类型", 2, 4, "12.5"},  // a fraction in a zero-padded format stays as it is
};

}  // namespace

class TestWorkbookFixtures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sheet1_data() {
        QTest::addColumn<QString>("format");
        for (const QString& f : kFormats) {
            QTest::newRow(qPrintable(f)) << f;
        }
    }

    // The differential test: Sheet1 read as .xlsx, .xls, .ods and .csv gives the same cells, those above,
    // read forward, back to the top and at the sheet's last cell.
    void sheet1() {
        QFETCH(QString, format);
        std::unique_ptr<Worksheet> sheet = openWorkbook(fixture(format))->worksheet(QStringLiteral("Sheet1"));
        for (int pass = 0; pass < 2; ++pass) {
            for (int row = 1; row <= 10; ++row) {
                for (int col = 1; col <= 5; ++col) {
                    const bool inside = row <= 8 && col <= 4;
                    QCOMPARE(sheet->cellText(row, col),
                             QString::fromUtf8(inside ? kSheet1[row - 1][col - 1] : ""));
                }
            }
        }
        QCOMPARE(sheet->cellText(sheet->maxRow(), sheet->maxColumn()), QString());
        QCOMPARE(sheet->nextRowWithData(0, {1, 2, 3, 4}), 1);
        QCOMPARE(sheet->nextRowWithData(4, {1, 2, 3, 4}), 6);  // past the blank row 5
        QCOMPARE(sheet->nextRowWithData(8, {1, 2, 3, 4}), 0);
        QCOMPARE(sheet->nextRowWithData(1, {5, 6}), 0);  // columns holding nothing
        QCOMPARE(sheet->nextRowWithData(7, {2}), 8);     // back to an earlier row
        QCOMPARE(ErrorNumber([&] { sheet->nextRowWithData(0, {0}); }), kErrorCellOutOfRange);
        const int lastRow = format == QLatin1String("xls") ? 65536 : 1048576;
        const int lastCol = format == QLatin1String("xls") ? 256 : 16384;
        QCOMPARE(sheet->maxRow(), lastRow);
        QCOMPARE(sheet->maxColumn(), lastCol);
        for (auto [row, col] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {lastRow + 1, 1}, {1, lastCol + 1}}) {
            QCOMPARE(ErrorNumber([&] { sheet->cellText(row, col); }), kErrorCellOutOfRange);
        }
    }

    void otherSheets_data() { sheet1_data(); }
    void otherSheets() {
        QFETCH(QString, format);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(format));
        if (format == QLatin1String("csv")) {
            QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("payees")));
            QCOMPARE(book->worksheet(QStringLiteral("any name"))->cellText(2, 1), QStringLiteral("张三"));
            return;
        }
        QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("Sheet1"), QStringLiteral("数据2"),
                                                  QStringLiteral("2024"), QStringLiteral("类型")}));
        for (const auto& e : kOthers) {
            QCOMPARE(book->worksheet(QString::fromUtf8(e.sheet))->cellText(e.row, e.col),
                     QString::fromUtf8(e.text));
        }
        // Letter case does not matter; a name of digits is a name, not a position.
        QCOMPARE(book->worksheet(QStringLiteral("SHEET1"))->cellText(2, 1), QStringLiteral("张三"));
        for (const char* name : {"1", "3", "Sheet2", "", " Sheet1"}) {
            QCOMPARE(ErrorNumber([&] { book->worksheet(QString::fromUtf8(name)); }), kErrorNoSuchSheet);
        }
        std::unique_ptr<Worksheet> repeated = book->worksheet(QStringLiteral("数据2"));
        QCOMPARE(repeated->nextRowWithData(1, {2}), 2);
        QCOMPARE(repeated->nextRowWithData(3, {2}), 4);
        QCOMPARE(repeated->nextRowWithData(4, {1, 2}), 0);
    }

    // What a path holds: the text of cell A2, or the error number.
    void paths_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("xlsx named .csv") << "xlsx"
                                         << "a.csv"
                                         << "张三";
        QTest::newRow("xls named .ods") << "xls"
                                        << "b.ods"
                                        << "张三";
        QTest::newRow("ods named .txt") << "ods"
                                        << "c.txt"
                                        << "张三";
        QTest::newRow("csv named .TXT") << "csv"
                                        << "d.TXT"
                                        << "张三";
        QTest::newRow("csv named .xlsx") << "csv"
                                         << "e.xlsx"
                                         << "error 432";
        QTest::newRow("empty path") << ""
                                    << ""
                                    << "error 5";
        QTest::newRow("missing file") << "missing"
                                      << "f.xlsx"
                                      << "error 5";
        QTest::newRow("a folder") << "folder"
                                  << "g.xlsx"
                                  << "error 5";
        QTest::newRow("a FIFO") << "fifo"
                                << "h.csv"
                                << "error 5";
        QTest::newRow("a device") << "device"
                                  << ""
                                  << "error 5";
        QTest::newRow("empty file") << "empty"
                                    << "i.xlsx"
                                    << "error 432";
        QTest::newRow("half an xlsx") << "half xlsx"
                                      << "j.xlsx"
                                      << "error 432";
        QTest::newRow("half an xls") << "half xls"
                                     << "k.xls"
                                     << "error 432";
        QTest::newRow("an empty CSV") << "empty"
                                      << "l.csv"
                                      << "";
    }
    void paths() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString path = name.isEmpty() ? QString() : dir.filePath(name);
        const auto write = [&](const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        if (kFormats.contains(kind)) {
            QVERIFY(QFile::copy(fixture(kind), path));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);  // would block an open()
        } else if (kind == QLatin1String("device")) {
            path = QStringLiteral("/dev/zero");  // never ends
        } else if (kind == QLatin1String("empty")) {
            write({});
        } else if (kind.startsWith(QLatin1String("half"))) {
            QFile file(fixture(kind.mid(5)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            write(file.read(file.size() / 2));
        }
        QString text;
        const int error = ErrorNumber(
            [&] { text = openWorkbook(path)->worksheet(QStringLiteral("Sheet1"))->cellText(2, 1); });
        QCOMPARE(error == 0 ? text : QStringLiteral("error %1").arg(error), expected);
    }
};

QTEST_GUILESS_MAIN(TestWorkbookFixtures)
#include "test_workbook_fixtures.moc"
