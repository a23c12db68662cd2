// The readers on workbooks LibreOffice Calc made (tools/make-fixtures.sh), and the error numbers of
// paths that hold no workbook.

#include <freexl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "cell_text.h"
#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using velmora::test::ErrorNumber;

namespace {

QString fixture(const QString& name) {
    return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tests/data/workbooks/") + name;
}

const QStringList kFixtures = {QStringLiteral("payees.xlsx"), QStringLiteral("payees.xls"),
                               QStringLiteral("payees.ods")};

struct Expected {
    const char* sheet;
    int row;
    int col;
    const char* text;
};

// What every fixture holds, whatever its format.
const Expected kCells[] = {
    {"Sheet1", 1, 1, "收款人"},
    {"Sheet1", 1, 4, "金额"},
    {"Sheet1", 2, 1, "张三"},
    {"Sheet1", 2, 2, "100010"},  // a postcode stored as a number
    {"Sheet1", 2, 3, "北京市东城区东长安街1号"},
    {"Sheet1", 2, 4, "1234.5"},
    {"Sheet1", 3, 1, "李四"},    // rich text
    {"Sheet1", 3, 2, "010020"},  // a postcode stored as text
    {"Sheet1", 3, 3, "上海市黄浦区中山东一路2号"},
    {"Sheet1", 3, 4, "0.5"},
    {"Sheet1", 4, 1, " 王五  "},  // spaces kept: trimming is the import's
    {"Sheet1", 4, 2, "518000"},
    {"Sheet1", 4, 3, "深圳市福田区  深南大道3号"},
    {"Sheet1", 4, 4, "1235"},  // a formula's result
    {"Sheet1", 5, 1, ""},
    {"Sheet1", 5, 4, ""},
    {"Sheet1", 6, 1, "赵六"},  // a formula's text result
    {"Sheet1", 6, 2, "1E+17"},
    {"Sheet1", 6, 3, "广州市越秀区\n第二行"},
    {"Sheet1", 6, 4, "#DIV/0!"},
    {"Sheet1", 7, 1, "1"},  // LibreOffice keeps a typed TRUE as the number 1
    {"Sheet1", 7, 2, "1E-05"},
    {"Sheet1", 7, 3, "123456789012345"},
    {"Sheet1", 7, 4, "#N/A"},
    {"Sheet1", 8, 1, "2024-01-05"},
    {"Sheet1", 8, 2, "0.05"},
    {"Sheet1", 8, 3, "0.333333333333333"},
    {"Sheet1", 8, 4, "-12.75"},
    {"Sheet1", 9, 1, "True"},  // a formula's boolean result
    {"Sheet1", 9, 2, "#VALUE!"},
    {"Sheet1", 9, 3, "0"},
    {"Sheet1", 9, 4, "0.1"},
    {"Sheet1", 10, 1, ""},
    {"Sheet1", 1, 5, ""},
    {"数据2", 1, 1, "第二张表"},
    {"数据2", 2, 1, "重复"},
    {"数据2", 4, 1, "重复"},
    {"数据2", 4, 2, "7"},
    {"数据2", 5, 1, ""},
    {"2024", 1, 1, ""},
    {"2024", 1, 3, "sheet named 2024"},
};

}  // namespace

class TestWorkbookFixtures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFile::exists(fixture(QStringLiteral("payees.xlsx"))),
                 "fixtures not found: run through ctest, or set VELMORA_SOURCE_DIR to the source tree");
    }

    void cells_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("expected");
        for (const QString& file : kFixtures) {
            for (const Expected& e : kCells) {
                QTest::addRow("%s %s!R%dC%d", qPrintable(file), e.sheet, e.row, e.col)
                    << file << QString::fromUtf8(e.sheet) << e.row << e.col << QString::fromUtf8(e.text);
            }
        }
    }
    void cells() {
        QFETCH(QString, file);
        QFETCH(QString, sheet);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, expected);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(file));
        QCOMPARE(book->worksheet(sheet)->cellText(row, col), expected);
    }

    // One worksheet read forward, back and forward again, as a repeated import does.
    void readsInAnyOrder_data() { files(); }
    void readsInAnyOrder() {
        QFETCH(QString, file);
        std::unique_ptr<Worksheet> sheet = openWorkbook(fixture(file))->worksheet(QStringLiteral("Sheet1"));
        for (const Expected& e : kCells) {
            if (QString::fromUtf8(e.sheet) == QLatin1String("Sheet1")) {
                QCOMPARE(sheet->cellText(e.row, e.col), QString::fromUtf8(e.text));
            }
        }
        QCOMPARE(sheet->cellText(2, 1), QStringLiteral("张三"));
        QCOMPARE(sheet->cellText(sheet->maxRow(), sheet->maxColumn()), QString());
        QCOMPARE(sheet->cellText(9, 4), QStringLiteral("0.1"));
    }

    void sheets_data() { files(); }
    void sheets() {
        QFETCH(QString, file);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(file));
        QCOMPARE(book->sheetNames(),
                 QStringList({QStringLiteral("Sheet1"), QStringLiteral("数据2"), QStringLiteral("2024")}));
        // Letter case does not matter; a name of digits is a name, not a position.
        QCOMPARE(book->worksheet(QStringLiteral("sheet1"))->cellText(2, 1), QStringLiteral("张三"));
        QCOMPARE(book->worksheet(QStringLiteral("SHEET1"))->cellText(2, 1), QStringLiteral("张三"));
        QCOMPARE(book->worksheet(QStringLiteral("2024"))->cellText(1, 3), QStringLiteral("sheet named 2024"));
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("1")); }), kErrorNoSuchSheet);
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("3")); }), kErrorNoSuchSheet);
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("Sheet2")); }), kErrorNoSuchSheet);
        QCOMPARE(ErrorNumber([&] { book->worksheet(QString()); }), kErrorNoSuchSheet);
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral(" Sheet1")); }), kErrorNoSuchSheet);
    }

    void nextRowWithData_data() { files(); }
    void nextRowWithData() {
        QFETCH(QString, file);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(file));
        std::unique_ptr<Worksheet> sheet = book->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->nextRowWithData(0, {1, 2, 3, 4}), 1);
        QCOMPARE(sheet->nextRowWithData(4, {1, 2, 3, 4}), 6);  // past the blank row 5
        QCOMPARE(sheet->nextRowWithData(9, {1, 2, 3, 4}), 0);
        QCOMPARE(sheet->nextRowWithData(1, {5, 6}), 0);  // columns holding nothing
        QCOMPARE(sheet->nextRowWithData(2, {1}), 3);     // back to an earlier row
        std::unique_ptr<Worksheet> repeated = book->worksheet(QStringLiteral("数据2"));
        QCOMPARE(repeated->nextRowWithData(1, {2}), 2);
        QCOMPARE(repeated->nextRowWithData(3, {2}), 4);
        QCOMPARE(repeated->nextRowWithData(4, {1, 2}), 0);
        QCOMPARE(ErrorNumber([&] { sheet->nextRowWithData(0, {0}); }), kErrorCellOutOfRange);
    }

    void references_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("error");
        for (const QString& file : kFixtures) {
            const bool xls = file.endsWith(QLatin1String(".xls"));
            const int lastRow = xls ? 65536 : 1048576;
            const int lastCol = xls ? 256 : 16384;
            QTest::addRow("%s row 0", qPrintable(file)) << file << 0 << 1 << kErrorCellOutOfRange;
            QTest::addRow("%s column 0", qPrintable(file)) << file << 1 << 0 << kErrorCellOutOfRange;
            QTest::addRow("%s negative row", qPrintable(file)) << file << -1 << 1 << kErrorCellOutOfRange;
            QTest::addRow("%s last row", qPrintable(file)) << file << lastRow << 1 << 0;
            QTest::addRow("%s past the last row", qPrintable(file))
                << file << lastRow + 1 << 1 << kErrorCellOutOfRange;
            QTest::addRow("%s last column", qPrintable(file)) << file << 1 << lastCol << 0;
            QTest::addRow("%s past the last column", qPrintable(file))
                << file << 1 << lastCol + 1 << kErrorCellOutOfRange;
        }
    }
    void references() {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, error);
        std::unique_ptr<Worksheet> sheet = openWorkbook(fixture(file))->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(ErrorNumber([&] { sheet->cellText(row, col); }), error);
    }

    // The format comes from the content: a workbook under another name reads the same.
    void formatFromContent() {
        QTemporaryDir dir;
        const QStringList disguises = {QStringLiteral("a.xls"), QStringLiteral("b.ods"),
                                       QStringLiteral("c.txt")};
        for (const QString& file : kFixtures) {
            for (const QString& disguise : disguises) {
                const QString path = dir.filePath(disguise);
                QFile::remove(path);
                QVERIFY(QFile::copy(fixture(file), path));
                QCOMPARE(openWorkbook(path)->worksheet(QStringLiteral("Sheet1"))->cellText(2, 3),
                         QStringLiteral("北京市东城区东长安街1号"));
            }
        }
    }

    void paths_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("empty path") << "empty path" << kErrorBadPath;
        QTest::newRow("missing file") << "missing" << kErrorBadPath;
        QTest::newRow("missing folder") << "missing folder" << kErrorBadPath;
        QTest::newRow("a folder") << "folder" << kErrorBadPath;
        QTest::newRow("unreadable") << "unreadable" << kErrorBadPath;
        QTest::newRow("empty file") << "empty file" << kErrorNotWorkbook;
        QTest::newRow("text") << "text" << kErrorNotWorkbook;
        QTest::newRow("zip signature alone") << "zip signature" << kErrorNotWorkbook;
        QTest::newRow("half an xlsx") << "half xlsx" << kErrorNotWorkbook;
        QTest::newRow("half an xls") << "half xls" << kErrorNotWorkbook;
    }
    void paths() {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("book.xlsx"));
        const auto write = [&](const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        const auto half = [](const QString& name) {
            QFile file(fixture(name));
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            return bytes.left(bytes.size() / 2);
        };
        if (kind == QLatin1String("empty path")) {
            path.clear();
        } else if (kind == QLatin1String("missing folder")) {
            path = dir.filePath(QStringLiteral("nowhere/book.xlsx"));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("book.xlsx")));
        } else if (kind == QLatin1String("unreadable")) {
            if (geteuid() == 0) {
                QSKIP("root reads every file");
            }
            write("PK");
            QFile(path).setPermissions(QFileDevice::WriteOwner);
        } else if (kind == QLatin1String("empty file")) {
            write({});
        } else if (kind == QLatin1String("text")) {
            write("收款人,地址\n张三,北京\n");
        } else if (kind == QLatin1String("zip signature")) {
            write("PK\x03\x04 and nothing a zip needs");
        } else if (kind == QLatin1String("half xlsx")) {
            write(half(QStringLiteral("payees.xlsx")));
        } else if (kind == QLatin1String("half xls")) {
            write(half(QStringLiteral("payees.xls")));
        }
        QCOMPARE(ErrorNumber([&] {
                     std::unique_ptr<Workbook> book = openWorkbook(path);
                     for (const QString& name : book->sheetNames()) {
                         std::unique_ptr<Worksheet> sheet = book->worksheet(name);
                         for (int row = 1; row <= 10; ++row) {
                             sheet->cellText(row, 1);
                         }
                     }
                 }),
                 error);
    }

    // FreeXL reads constant cells of .xls on its own; where it gives a value, ours agrees.
    void agreesWithFreeXl() {
        const void* handle = nullptr;
        const QByteArray path = QFile::encodeName(fixture(QStringLiteral("payees.xls")));
        QCOMPARE(freexl_open(path.constData(), &handle), FREEXL_OK);
        std::unique_ptr<Workbook> book = openWorkbook(fixture(QStringLiteral("payees.xls")));
        int compared = 0;
        for (unsigned short index = 0; index < 3; ++index) {
            const char* name = nullptr;
            QCOMPARE(freexl_get_worksheet_name(handle, index, &name), FREEXL_OK);
            QCOMPARE(freexl_select_active_worksheet(handle, index), FREEXL_OK);
            std::unique_ptr<Worksheet> sheet = book->worksheet(QString::fromUtf8(name));
            unsigned int rows = 0;
            unsigned short cols = 0;
            QCOMPARE(freexl_worksheet_dimensions(handle, &rows, &cols), FREEXL_OK);
            for (unsigned int r = 0; r < rows; ++r) {
                for (unsigned short c = 0; c < cols; ++c) {
                    FreeXL_CellValue value;
                    QCOMPARE(freexl_get_cell_value(handle, r, c, &value), FREEXL_OK);
                    QString theirs;
                    switch (value.type) {
                        case FREEXL_CELL_INT:
                            theirs = GeneralNumberText(value.value.int_value);
                            break;
                        case FREEXL_CELL_DOUBLE:
                            theirs = GeneralNumberText(value.value.double_value);
                            break;
                        case FREEXL_CELL_TEXT:
                        case FREEXL_CELL_SST_TEXT:
                        case FREEXL_CELL_DATE:
                            theirs = QString::fromUtf8(value.value.text_value);
                            break;
                        default:
                            continue;  // FreeXL gives formulas no value
                    }
                    QCOMPARE(sheet->cellText(static_cast<int>(r) + 1, c + 1), theirs);
                    ++compared;
                }
            }
        }
        freexl_close(handle);
        QVERIFY(compared >= 30);
    }

private:
    void files() {
        QTest::addColumn<QString>("file");
        for (const QString& file : kFixtures) {
            QTest::newRow(qPrintable(file)) << file;
        }
    }
};

QTEST_GUILESS_MAIN(TestWorkbookFixtures)
#include "test_workbook_fixtures.moc"
