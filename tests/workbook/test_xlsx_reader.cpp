// The .xlsx reader on packages the tests write: every kind of cell, the package shapes other
// programs write, other kinds of document, and crafted files.

#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

Q_DECLARE_METATYPE(velmora::test::PartNames)

namespace {

const QByteArray kSharedStrings = SharedStringsXml(
    "<si><t>张三</t></si>"
    "<si><r><rPr><b/></rPr><t>李</t></r><r><t>四</t></r></si>"
    "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh><phoneticPr fontId=\"1\"/></si>"
    "<si><r><t>富</t></r><rPh sb=\"0\" eb=\"1\"><t>ふ</t></rPh><r><t>士</t></r></si>"
    "<si><t xml:space=\"preserve\">  spaced  </t></si>"
    "<si><t>line_x000D_break_x005F_x</t></si>"
    "<si/>");

// Cell styles 1 to 3: a built-in date, a custom Chinese date, an amount.
const QByteArray kStyles = R"(<?xml version="1.0" encoding="UTF-8"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/><numFmt numFmtId="165" formatCode="#,##0.00"/></numFmts><cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="14" applyNumberFormat="1"/><xf numFmtId="164"/><xf numFmtId="165"/></cellXfs></styleSheet>)";

// A word processing document's package parts (at namespace scope: moc misreads "//" in raw strings).
const QByteArray kDocumentRelationships =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";
const QByteArray kWordDocument =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"/>)";

std::unique_ptr<Workbook> open(const XlsxPackage& package) {
    return openWorkbookData(MakeXlsx(package));
}

XlsxPackage oneSheet(const QByteArray& sheetData) {
    XlsxPackage package;
    package.sheets.push_back({QStringLiteral("Sheet1"), WorksheetXml(sheetData)});
    package.sharedStrings = kSharedStrings;
    package.styles = kStyles;
    return package;
}

QString cell(const XlsxPackage& package, int row, int col) {
    return open(package)->worksheet(QStringLiteral("Sheet1"))->cellText(row, col);
}

}  // namespace

class TestXlsxReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data() {
        QTest::addColumn<QString>("cellXml");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared string") << R"(<c r="A1" t="s"><v>0</v></c>)" << 1 << "张三";
        QTest::newRow("rich text runs") << R"(<c r="A1" t="s"><v>1</v></c>)" << 1 << "李四";
        QTest::newRow("phonetic run skipped") << R"(<c r="A1" t="s"><v>2</v></c>)" << 1 << "漢字";
        QTest::newRow("phonetic run between runs") << R"(<c r="A1" t="s"><v>3</v></c>)" << 1 << "富士";
        QTest::newRow("spaces kept") << R"(<c r="A1" t="s"><v>4</v></c>)" << 1 << "  spaced  ";
        QTest::newRow("escaped characters") << R"(<c r="A1" t="s"><v>5</v></c>)" << 1 << "line\rbreak_x";
        QTest::newRow("empty shared string") << R"(<c r="A1" t="s"><v>6</v></c>)" << 1 << "";
        QTest::newRow("inline string")
            << R"(<c r="A1" t="inlineStr"><is><t>王五</t></is></c>)" << 1 << "王五";
        QTest::newRow("inline rich text")
            << R"(<c r="A1" t="inlineStr"><is><r><t>王</t></r><r><rPr/><t>六</t></r></is></c>)" << 1
            << "王六";
        QTest::newRow("postcode as number") << R"(<c r="A1"><v>100010</v></c>)" << 1 << "100010";
        QTest::newRow("typed number") << R"(<c r="A1" t="n"><v>0.5</v></c>)" << 1 << "0.5";
        QTest::newRow("long decimal") << R"(<c r="A1"><v>1234.5000000000002</v></c>)" << 1 << "1234.5";
        QTest::newRow("small") << R"(<c r="A1"><v>1.0000000000000001E-5</v></c>)" << 1 << "1E-05";
        QTest::newRow("large") << R"(<c r="A1"><v>1E+15</v></c>)" << 1 << "1E+15";
        QTest::newRow("formula number") << R"(<c r="A1"><f>SUM(B1:B2)</f><v>3</v></c>)" << 1 << "3";
        QTest::newRow("formula text") << R"(<c r="A1" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>)" << 1 << "ab";
        QTest::newRow("formula not computed") << R"(<c r="A1"><f>B2</f></c>)" << 1 << "";
        QTest::newRow("true") << R"(<c r="A1" t="b"><v>1</v></c>)" << 1 << "True";
        QTest::newRow("false") << R"(<c r="A1" t="b"><v>0</v></c>)" << 1 << "False";
        QTest::newRow("error") << R"(<c r="A1" t="e"><v>#N/A</v></c>)" << 1 << "#N/A";
        QTest::newRow("formula error") << R"(<c r="A1" t="e"><f>1/0</f><v>#DIV/0!</v></c>)" << 1 << "#DIV/0!";
        QTest::newRow("iso date") << R"(<c r="A1" t="d"><v>2024-01-05T00:00:00</v></c>)" << 1 << "2024-01-05";
        QTest::newRow("built-in date format") << R"(<c r="A1" s="1"><v>45296</v></c>)" << 1 << "2024-01-05";
        QTest::newRow("custom date format") << R"(<c r="A1" s="2"><v>45296</v></c>)" << 1 << "2024-01-05";
        QTest::newRow("amount format") << R"(<c r="A1" s="3"><v>45296.5</v></c>)" << 1 << "45296.5";
        QTest::newRow("unknown style") << R"(<c r="A1" s="99"><v>45296</v></c>)" << 1 << "45296";
        QTest::newRow("not a number") << R"(<c r="A1"><v>abc</v></c>)" << 1 << "abc";
        QTest::newRow("styled empty cell") << R"(<c r="A1" s="1"/>)" << 1 << "";
        QTest::newRow("second column") << R"(<c r="B1" t="s"><v>0</v></c>)" << 2 << "张三";
        QTest::newRow("nothing in the column") << R"(<c r="B1" t="s"><v>0</v></c>)" << 1 << "";
        QTest::newRow("lower-case reference") << R"(<c r="c1"><v>7</v></c>)" << 3 << "7";
        QTest::newRow("last column") << R"(<c r="XFD1"><v>8</v></c>)" << 16384 << "8";
        QTest::newRow("column met twice keeps the last")
            << R"(<c r="A1"><v>1</v></c><c r="A1"><v>2</v></c>)" << 1 << "2";
    }

    void values() {
        QFETCH(QString, cellXml);
        QFETCH(int, col);
        QFETCH(QString, expected);
        QCOMPARE(cell(oneSheet("<row r=\"1\">" + cellXml.toUtf8() + "</row>"), 1, col), expected);
    }

    void date1904() {
        XlsxPackage package = oneSheet(R"(<row r="1"><c r="A1" s="1"><v>43834</v></c></row>)");
        package.workbookPr = QStringLiteral("date1904=\"1\"");
        QCOMPARE(cell(package, 1, 1), QStringLiteral("2024-01-05"));
    }

    // Rows and cells without an "r" follow the one before.
    void positionsWithoutReferences() {
        const XlsxPackage package = oneSheet(
            "<row><c><v>1</v></c><c><v>2</v></c></row>"
            "<row><c r=\"C2\"><v>3</v></c><c><v>4</v></c></row>"
            "<row r=\"5\"><c><v>5</v></c></row>"
            "<row><c t=\"s\"><v>0</v></c></row>");
        std::unique_ptr<Worksheet> sheet = open(package)->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("1"));
        QCOMPARE(sheet->cellText(1, 2), QStringLiteral("2"));
        QCOMPARE(sheet->cellText(2, 3), QStringLiteral("3"));
        QCOMPARE(sheet->cellText(2, 4), QStringLiteral("4"));
        QCOMPARE(sheet->cellText(3, 1), QString());
        QCOMPARE(sheet->cellText(5, 1), QStringLiteral("5"));
        QCOMPARE(sheet->cellText(6, 1), QStringLiteral("张三"));
        QCOMPARE(sheet->nextRowWithData(2, {1}), 5);
        QCOMPARE(sheet->nextRowWithData(6, {1}), 0);
    }

    // The shapes other programs give a package: WPS's backslashes, openpyxl's absolute targets,
    // LibreOffice's relationship order, and the strict namespaces.
    void packageShapes_data() {
        QTest::addColumn<PartNames>("names");
        QTest::addColumn<bool>("strict");
        for (bool strict : {false, true}) {
            const char* ns = strict ? "strict" : "transitional";
            QTest::addRow("usual, %s", ns) << PartNames::Usual << strict;
            QTest::addRow("backslashes, %s", ns) << PartNames::Backslash << strict;
            QTest::addRow("absolute targets, %s", ns) << PartNames::Absolute << strict;
            QTest::addRow("reversed ids, %s", ns) << PartNames::Reversed << strict;
        }
    }

    void packageShapes() {
        QFETCH(PartNames, names);
        QFETCH(bool, strict);
        XlsxPackage package;
        package.names = names;
        package.strict = strict;
        package.sheets.push_back(
            {QStringLiteral("甲"), WorksheetXml(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)", strict)});
        package.sheets.push_back(
            {QStringLiteral("乙"), WorksheetXml(R"(<row r="2"><c r="B2" t="s"><v>1</v></c></row>)", strict)});
        package.sharedStrings = SharedStringsXml("<si><t>first</t></si><si><t>second</t></si>", strict);
        std::unique_ptr<Workbook> book = open(package);
        QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("甲"), QStringLiteral("乙")}));
        QCOMPARE(book->worksheet(QStringLiteral("甲"))->cellText(1, 1), QStringLiteral("first"));
        QCOMPARE(book->worksheet(QStringLiteral("乙"))->cellText(2, 2), QStringLiteral("second"));
        QCOMPARE(book->worksheet(QStringLiteral("乙"))->cellText(1, 1), QString());
    }

    // Shared strings and styles found where Excel puts them when the relationships forget them.
    void partsWithoutRelationships() {
        XlsxPackage package;
        package.sheets.push_back(
            {QStringLiteral("Sheet1"),
             WorksheetXml(
                 R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>45296</v></c></row>)")});
        std::vector<ZipEntry> entries = XlsxEntries(package);
        entries.push_back({QStringLiteral("xl/sharedStrings.xml"), kSharedStrings});
        entries.push_back({QStringLiteral("xl/styles.xml"), kStyles});
        std::unique_ptr<Worksheet> sheet =
            openWorkbookData(MakeZip(entries))->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("张三"));
        QCOMPARE(sheet->cellText(1, 2), QStringLiteral("2024-01-05"));
    }

    // Chart sheets are sheets but not worksheets.
    void chartSheets() {
        XlsxPackage package;
        package.sheets.push_back({QStringLiteral("Chart1"), "<chartsheet/>", QStringLiteral("chartsheet")});
        package.sheets.push_back(
            {QStringLiteral("Data"), WorksheetXml(R"(<row r="1"><c r="A1"><v>1</v></c></row>)")});
        std::unique_ptr<Workbook> book = open(package);
        QCOMPARE(book->sheetNames(), QStringList(QStringLiteral("Data")));
        QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("Chart1")); }), kErrorNoSuchSheet);
        package.sheets.pop_back();
        QCOMPARE(ErrorNumber([&] { open(package)->worksheet(QStringLiteral("Chart1")); }),
                 kErrorNoWorksheets);
    }

    void otherPackages_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("error");
        QTest::newRow("a word document") << MakeZip({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                                                     {QStringLiteral("_rels/.rels"), kDocumentRelationships},
                                                     {QStringLiteral("word/document.xml"), kWordDocument}})
                                         << kErrorNoWorksheets;
        QTest::newRow("a zip of pictures")
            << MakeZip({{QStringLiteral("photo.jpg"), "\xFF\xD8\xFF"}}) << kErrorNoWorksheets;
        QTest::newRow("a package without its main part")
            << MakeZip({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                        {QStringLiteral("_rels/.rels"), kDocumentRelationships}})
            << kErrorNotWorkbook;
        XlsxPackage noSheets;
        QTest::newRow("a workbook without sheets") << MakeXlsx(noSheets) << kErrorNoWorksheets;
        std::vector<ZipEntry> entries = XlsxEntries(oneSheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"));
        std::erase_if(entries,
                      [](const ZipEntry& e) { return e.name == QLatin1String("xl/worksheets/sheet1.xml"); });
        QTest::newRow("a sheet part missing") << MakeZip(entries) << kErrorNotWorkbook;
        entries = XlsxEntries(oneSheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)"));
        std::erase_if(entries,
                      [](const ZipEntry& e) { return e.name == QLatin1String("xl/sharedStrings.xml"); });
        QTest::newRow("shared strings missing") << MakeZip(entries) << kErrorNotWorkbook;
        entries = XlsxEntries(oneSheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"));
        for (ZipEntry& e : entries) {
            if (e.name == QLatin1String("xl/workbook.xml")) {
                e.data.chop(20);  // cut short
            }
        }
        QTest::newRow("a broken workbook part") << MakeZip(entries) << kErrorNotWorkbook;
    }

    void otherPackages() {
        QFETCH(QByteArray, zip);
        QFETCH(int, error);
        QCOMPARE(
            ErrorNumber([&] { openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1"))->cellText(1, 1); }),
            error);
    }

    // Crafted files fail as broken files, at the cell that meets the fault.
    void crafted_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("row");  // the first row whose reading fails
        const QByteArray row1 = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>before</t></is></c></row>)";

        const QByteArray bomb =
            row1 + "<row r=\"2\">" +
            QByteArray(R"(<c r="A2" t="inlineStr"><is><t>x</t></is></c>)").repeated(1'000'000) + "</row>";
        QTest::newRow("deflate ratio over 100") << MakeXlsx(oneSheet(bomb)) << 2;

        std::vector<ZipEntry> entries =
            XlsxEntries(oneSheet(row1 + "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>" +
                                 QByteArray(5 * 1024 * 1024, 'a') + "</t></is></c></row>"));
        for (ZipEntry& e : entries) {
            e.stored = true;
        }
        QTest::newRow("one run of five megabytes") << MakeZip(entries) << 2;

        QTest::newRow("cell text of 32,768 characters")
            << MakeXlsx(oneSheet(row1 + "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>" +
                                 QByteArray(32768, 'a') + "</t></is></c></row>"))
            << 2;
        QTest::newRow("shared string of 32,768 characters") << [&] {
            XlsxPackage p = oneSheet(row1 + R"(<row r="2"><c r="A2" t="s"><v>0</v></c></row>)");
            p.sharedStrings = SharedStringsXml("<si><t>" + QByteArray(32768, 'a') + "</t></si>");
            return MakeXlsx(p);
        }() << 2;
        QTest::newRow("shared string index past the table")
            << MakeXlsx(oneSheet(row1 + R"(<row r="2"><c r="A2" t="s"><v>7</v></c></row>)")) << 2;
        QTest::newRow("shared string index not a number")
            << MakeXlsx(oneSheet(row1 + R"(<row r="2"><c r="A2" t="s"><v>x</v></c></row>)")) << 2;
        QTest::newRow("rows out of order") << MakeXlsx(oneSheet(row1 + R"(<row r="3"/><row r="2"/>)")) << 4;
        QTest::newRow("row past the last") << MakeXlsx(oneSheet(row1 + R"(<row r="1048577"/>)")) << 2;
        QTest::newRow("column past the last")
            << MakeXlsx(oneSheet(row1 + R"(<row r="2"><c r="XFE2"><v>1</v></c></row>)")) << 2;
        QTest::newRow("cell reference of digits")
            << MakeXlsx(oneSheet(row1 + R"(<row r="2"><c r="12"><v>1</v></c></row>)")) << 2;
        QTest::newRow("malformed after row 1") << MakeXlsx(oneSheet(row1 + "<row r=\"2\"><c></row>")) << 2;

        // A document type declaration, here the "billion laughs", is refused before any entity is defined.
        const QByteArray laughs =
            R"(<!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>)";
        XlsxPackage withDtd = oneSheet(row1 + R"(<row r="2"><c r="A2" t="s"><v>0</v></c></row>)");
        withDtd.sharedStrings =
            R"(<?xml version="1.0"?>)" + laughs +
            R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>&c;</t></si></sst>)";
        QTest::newRow("document type in the shared strings") << MakeXlsx(withDtd) << 2;
        QByteArray sheetWithDtd = WorksheetXml(row1);
        sheetWithDtd.insert(sheetWithDtd.indexOf("<worksheet"),
                            "<!DOCTYPE worksheet SYSTEM \"file:///etc/passwd\">");
        XlsxPackage dtdSheet = oneSheet({});
        dtdSheet.sheets[0].xml = sheetWithDtd;
        QTest::newRow("document type in the sheet") << MakeXlsx(dtdSheet) << 1;
    }

    void crafted() {
        QFETCH(QByteArray, zip);
        QFETCH(int, row);
        std::unique_ptr<Worksheet> sheet;
        int error = ErrorNumber([&] { sheet = openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1")); });
        if (row == 1) {
            QCOMPARE(error, kErrorNotWorkbook);
            return;
        }
        QCOMPARE(error, 0);
        for (int r = 1; r < row; ++r) {
            QCOMPARE(ErrorNumber([&] { sheet->cellText(r, 1); }), 0);
        }
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("before"));
        QCOMPARE(ErrorNumber([&] { sheet->cellText(row, 1); }), kErrorNotWorkbook);
    }

    // Reading stops where the import stops: what lies beyond the rows read is never parsed.
    void readsOnlyWhatItNeeds() {
        XlsxPackage package = oneSheet(
            R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row><row r="2"><c r="A2" t="s"><v>1</v></c></row>)"
            R"(<row r="3"><c r="A3" t="s"><v>2</v></c></row><row r="4"><c r="A4" t="s">)");  // cut off here
        package.sharedStrings =
            R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>a</t></si><si><t>b</t></si><si><t>c</t></si><si><t>)";
        std::unique_ptr<Worksheet> sheet = open(package)->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->cellText(1, 1), QStringLiteral("a"));
        QCOMPARE(sheet->cellText(2, 1), QStringLiteral("b"));
        QCOMPARE(sheet->cellText(3, 1), QStringLiteral("c"));
        QCOMPARE(ErrorNumber([&] { sheet->cellText(4, 1); }), kErrorNotWorkbook);
    }

    void exactlyTheLongestText() {
        const QString text(32767, QChar(u'字'));
        QCOMPARE(cell(oneSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text.toUtf8() +
                               "</t></is></c></row>"),
                      1, 1),
                 text);
    }
};

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "test_xlsx_reader.moc"
