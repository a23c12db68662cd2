// The .xlsx reader on packages the tests build: every kind of cell, other vocabularies mixed in, rows
// out of order, the shapes other programs give a package, and crafted files.

#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const QByteArray kItems =
    "<si><t>张三</t></si><si><r><rPr><b/></rPr><t>李</t></r><r><t>四</t></r></si>"
    "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh></si><si><t xml:space=\"preserve\">  </t></si>"
    "<si><t>line_x000D_break_x005F_x_x00zz_</t></si><si/><si><t>" +
    QByteArray(32768, 'a') + "</t></si>";  // 0 to 6

// Cell styles 1 to 4: a built-in date, a custom Chinese date, an amount, a postcode.
const QByteArray kStyles =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts><numFmt numFmtId="164" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/><numFmt numFmtId="165" formatCode="#,##0.00"/><numFmt numFmtId="166" formatCode="000000"/></numFmts><cellStyleXfs><xf numFmtId="14"/></cellStyleXfs><cellXfs><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="166"/></cellXfs></styleSheet>)";

const QByteArray kNs =
    "xmlns:ev=\"urn:evil\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "mc:Ignorable=\"ev\"";

// Parts naming their namespaces (at namespace scope: moc misreads "//" in raw strings).
const QByteArray kChoiceUnderstood =
    R"(<mc:AlternateContent xmlns:m="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><ev:x/><mc:Choice Requires="ev"/><mc:Choice Requires="m"><row r="1"><c r="A1"><v>1</v></c></row></mc:Choice><mc:Fallback><row r="1"><c r="A1"><v>2</v></c></row></mc:Fallback></mc:AlternateContent><row r="2"><c r="A2"><v>3</v></c></row>)";
const QByteArray kSstWithDoctype =
    R"(<!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa">]><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>&a;</t></si></sst>)";
const QByteArray kWordRelationships =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";
const QByteArray kWordDocument =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"/>)";
const QByteArray kPrefixedSheet =
    R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData><x:row r="3"><x:c r="B3"><x:v>3</x:v></x:c></x:row></x:sheetData></x:worksheet>)";

QByteArray sheetWith(const QByteArray& data, const QByteArray& root = kNs) {
    Xlsx x;
    x.sheets = {{QStringLiteral("Sheet1"), SheetXml(data, root)}};
    x.sharedStrings = SstXml(kItems);
    x.styles = kStyles;
    std::vector<ZipEntry> entries = x.entries();
    for (ZipEntry& e : entries) {
        e.stored = true;  // long runs stay within the deflate ratio
    }
    return MakeZip(entries);
}

std::vector<ZipEntry> sheetEntries(const QByteArray& sheet) {
    Xlsx x;
    x.sheets = {{QStringLiteral("Sheet1"), sheet}};
    return x.entries();
}

// The cells "row,col" of `zip` as text, one per line.
QString read(const QByteArray& zip, const QString& cells) {
    QStringList texts;
    for (const QString& cell : cells.split(u' ')) {
        texts << Cell(zip, cell.section(u',', 0, 0).toInt(), cell.section(u',', 1, 1).toInt());
    }
    return texts.join(u'|');
}

}  // namespace

class TestXlsxReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Cells of row 1, column A unless said: the sheet data, then the texts of the cells asked for.
    void cells_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QString>("expected");
        const auto row = [](const QByteArray& cells) { return "<row r=\"1\">" + cells + "</row>"; };
        const auto c = [&](const QByteArray& attributes, const QByteArray& inside) {
            return row("<c r=\"A1\" " + attributes + ">" + inside + "</c>");
        };
        QTest::newRow("shared strings")
            << row(R"(<c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v> 2 </v></c>)")
            << "1,1 1,2 1,3"
            << "张三|李四|漢字";
        QTest::newRow("shared spaces, escapes, empty")
            << row(R"(<c r="A1" t="s"><v>3</v></c><c r="B1" t="s"><v>4</v></c><c r="C1" t="s"><v>5</v></c>)")
            << "1,1 1,2 1,3"
            << "  |line\rbreak_x_x00zz_|";
        QTest::newRow("shared too long") << c("t=\"s\"", "<v>6</v>") << "1,1"
                                         << "error 14";
        QTest::newRow("shared missing") << c("t=\"s\"", "<v>7</v>") << "1,1"
                                        << "error 432";
        QTest::newRow("shared past any table") << c("t=\"s\"", "<v>4194304</v>") << "1,1"
                                               << "error 432";
        QTest::newRow("shared index not a number") << c("t=\"s\"", "<v>x</v>") << "1,1"
                                                   << "error 432";
        QTest::newRow("inline rich text")
            << c("t=\"inlineStr\"", "<is><r><t>王</t></r><r><t>六</t></r></is>") << "1,1"
            << "王六";
        QTest::newRow("inline too long")
            << c("t=\"inlineStr\"", "<is><t>" + QByteArray(32768, 'a') + "</t></is>") << "1,1"
            << "error 14";
        QTest::newRow("inline longest")
            << c("t=\"inlineStr\"", "<is><t>" + QByteArray(32767, 'a') + "</t></is>") << "1,1"
            << QString(32767, u'a');
        QTest::newRow("escapes too long")
            << c("t=\"inlineStr\"", "<is><t>" + QByteArray("_x0041_").repeated(40000) + "</t></is>") << "1,1"
            << "error 14";
        QTest::newRow("numbers")
            << row(R"(<c r="A1"><v>100010</v></c><c r="B1" t="n"><v>1234.5000000000002</v></c><c r="C1"><v>1E-5</v></c>)")
            << "1,1 1,2 1,3"
            << "100010|1234.5|1E-05";
        QTest::newRow("formulas")
            << row(R"(<c r="A1"><f>B1</f><v>3</v></c><c r="B1" t="str"><f>x</f><v>a_x0009_b</v></c><c r="C1"><f>B2</f></c>)")
            << "1,1 1,2 1,3"
            << "3|a\tb|";
        QTest::newRow("formula text too long")
            << c("t=\"str\"", "<v>" + QByteArray(32768, 'a') + "</v>") << "1,1"
            << "error 14";
        QTest::newRow("booleans and errors")
            << row(R"(<c r="A1" t="b"><v>1</v></c><c r="B1" t="b"><v>0</v></c><c r="C1" t="b"><v>true</v></c><c r="D1" t="e"><v> #N/A </v></c><c r="E1" t="b"><v> </v></c>)")
            << "1,1 1,2 1,3 1,4 1,5"
            << "True|False|True|#N/A|";
        QTest::newRow("iso date") << c("t=\"d\"", "<v>2024-01-05T00:00:00</v>") << "1,1"
                                  << "2024-01-05";
        QTest::newRow("styles")
            << row(R"(<c r="A1" s="1"><v>45296</v></c><c r="B1" s="2"><v>45296</v></c><c r="C1" s="3"><v>45296.5</v></c><c r="D1" s="4"><v>30000</v></c><c r="E1" s="99"><v>45296</v></c>)")
            << "1,1 1,2 1,3 1,4 1,5"
            << "2024-01-05|2024-01-05|45296.5|030000|45296";
        QTest::newRow("not a number") << c("", "<v>abc</v>") << "1,1"
                                      << "abc";
        QTest::newRow("not a number, too long") << c("", "<v>" + QByteArray(32768, 'a') + "</v>") << "1,1"
                                                << "error 14";
        QTest::newRow("styled empty cell") << row(R"(<c r="A1" s="1"/><c r="B1"><v></v></c>)") << "1,1 1,2"
                                           << "|";
        QTest::newRow("columns")
            << row(R"(<c r="c1"><v>7</v></c><c r="XFD1"><v>8</v></c><c r="B1"><v>1</v></c><c r="B1"><v>2</v></c>)")
            << "1,3 1,16384 1,2 1,1"
            << "7|8|2|";
        QTest::newRow("no references")
            << QByteArray(
                   "<row><c><v>1</v></c><c><v>2</v></c></row><row r=\"5\"><c/><c><v>5</v></c></row><row><c "
                   "t=\"s\"><v>0</v></c></row>")
            << "1,1 1,2 2,1 5,2 6,1"
            << "1|2||5|张三";
        // Other vocabularies: read by SpreadsheetML's namespace, not by local name.
        QTest::newRow("foreign value") << c("", "<v>100</v><ev:v>9999999</ev:v>") << "1,1"
                                       << "100";
        QTest::newRow("foreign row") << QByteArray(
                                            "<ev:row r=\"1\"><c r=\"A1\"><v>666</v></c></ev:row><row "
                                            "r=\"2\"><c r=\"A2\"><v>2</v></c></row>")
                                     << "1,1 2,1"
                                     << "|2";
        QTest::newRow("foreign attribute")
            << row(R"(<c r="A1"><v>1</v></c><c ev:r="D1"><v>2</v></c>)") << "1,2 1,4"
            << "2|";
        QTest::newRow("foreign text")
            << c("t=\"inlineStr\"", "<is><t>a<ev:t>b</ev:t></t><ev:t>c</ev:t></is>") << "1,1"
            << "a";
        QTest::newRow("alternate content: fallback")
            << row(R"(<mc:AlternateContent><mc:Choice Requires="ev"><c r="A1"><v>1</v></c></mc:Choice><mc:Fallback><c r="A1"><v>2</v></c></mc:Fallback></mc:AlternateContent>)")
            << "1,1"
            << "2";
        QTest::newRow("alternate content: choice understood") << kChoiceUnderstood << "1,1 2,1"
                                                              << "1|3";
        QTest::newRow("alternate content: none taken")
            << row(R"(<mc:AlternateContent><mc:Choice Requires="ev q"><c r="A1"><v>1</v></c></mc:Choice></mc:AlternateContent><c r="B1"><v>2</v></c>)")
            << "1,1 1,2"
            << "|2";
        // Rows out of order and repeated, placed as LibreOffice and openpyxl place them.
        QTest::newRow("rows out of order")
            << QByteArray(
                   "<row r=\"3\"><c r=\"A3\"><v>3</v></c></row><row r=\"1\"><c "
                   "r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>")
            << "1,1 2,1 3,1 1,1"
            << "1|2|3|1";
        QTest::newRow("row repeated")
            << QByteArray(
                   "<row r=\"1\"><c r=\"A1\"><v>11</v></c><c r=\"B1\"><v>12</v></c></row><row r=\"2\"><c "
                   "r=\"A2\"><v>21</v></c></row><row r=\"1\"><c r=\"B1\"><v>99</v></c><c "
                   "r=\"C1\"><v>13</v></c></row>")
            << "1,1 1,2 1,3 2,1 2,2"
            << "11|99|13|21|";
        QTest::newRow("rows without numbers after a repeat")
            << QByteArray(
                   "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row><row><c r=\"A3\"><v>3</v></c></row><row "
                   "r=\"1\"><c r=\"A1\"><v>1</v></c></row><row><c><v>7</v></c></row>")
            << "1,1 2,1 3,1"
            << "1|7|3";
        QTest::newRow("cell in another row")
            << row(R"(<c r="A3"><v>13</v></c><c><v>14</v></c>)") << "1,1 1,2 3,1"
            << "|14|13";
        QTest::newRow("foreign element among rows")
            << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v><!-- x --></c><ev:x/></row>") << "1,1"
            << "1";
    }
    void cells() {
        QFETCH(QByteArray, data);
        QFETCH(QString, cells);
        QFETCH(QString, expected);
        QCOMPARE(read(sheetWith(data), cells), expected);
    }

    // Parts that are refused: the error at the cell read, or at opening.
    void refused_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("expected");
        const QByteArray row1 = R"(<row r="1"><c r="A1"><v>1</v></c></row>)";
        QTest::newRow("deflate ratio over 100")
            << MakeXlsx(row1 + "<row r=\"2\">" +
                        QByteArray("<c t=\"inlineStr\"><is><t>x</t></is></c>").repeated(1'000'000) + "</row>")
            << 432;
        std::vector<ZipEntry> entries = sheetEntries(
            SheetXml(row1 + "<row r=\"2\"><c><v>" + QByteArray(5 << 20, '1') + "</v></c></row>"));
        for (ZipEntry& e : entries) {
            e.stored = true;
        }
        QTest::newRow("one run of five megabytes") << MakeZip(entries) << 432;
        QTest::newRow("row past the last") << sheetWith(row1 + R"(<row r="1048577"/>)") << 432;
        QTest::newRow("row number not a number") << sheetWith(row1 + R"(<row r="x"/>)") << 432;
        QTest::newRow("column past the last")
            << sheetWith(row1 + R"(<row r="2"><c r="XFE2"><v>1</v></c></row>)") << 432;
        QTest::newRow("cell reference of digits")
            << sheetWith(row1 + R"(<row r="2"><c r="12"><v>1</v></c></row>)") << 432;
        QTest::newRow("malformed after row 1") << sheetWith(row1 + "<row r=\"2\"><c></row>") << 432;
        QTest::newRow("cut short") << MakeZip(sheetEntries(SheetXml(row1).chopped(40))) << 432;
        QTest::newRow("document type")
            << sheetWith(row1, "x=\"1\"><!DOCTYPE worksheet SYSTEM \"file:///etc/passwd\"") << 432;
        QTest::newRow("document type in the shared strings") << [] {
            Xlsx x;
            x.sheets = {
                {QStringLiteral("Sheet1"), SheetXml(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)")}};
            x.sharedStrings = kSstWithDoctype;
            return MakeZip(x.entries());
        }() << 432;
        QTest::newRow("a foreign worksheet")
            << MakeZip(sheetEntries("<worksheet xmlns=\"urn:evil\"/>")) << 432;
        QTest::newRow("wrong CRC of the workbook") << WithWrongCrc(MakeXlsx(row1), 3) << 432;
        QTest::newRow("wrong CRC of the sheet") << WithWrongCrc(MakeXlsx(row1), 2) << 432;
        QTest::newRow("wrong CRC, stored") << [&] {
            std::vector<ZipEntry> e = sheetEntries(SheetXml(row1));
            e[2].stored = true;
            return WithWrongCrc(MakeZip(e), 2);
        }() << 432;
        QTest::newRow("wrong CRC of the shared strings")
            << WithWrongCrc(MakeXlsx(R"(<row r="1"><c r="A1" t="s"><v>1</v></c></row>)", "<si><t>a</t></si>"),
                            3)
            << 432;
        QTest::newRow("encrypted entry") << [&] {
            std::vector<ZipEntry> e = sheetEntries(SheetXml(row1));
            e[2].encrypted = true;
            return MakeZip(e);
        }() << 70;
        QTest::newRow("a word document") << MakeZip({{QStringLiteral("_rels/.rels"), kWordRelationships},
                                                     {QStringLiteral("word/document.xml"), kWordDocument}})
                                         << 438;
        QTest::newRow("a zip of pictures") << MakeZip({{QStringLiteral("photo.jpg"), "\xFF\xD8\xFF"}}) << 438;
        QTest::newRow("no main part")
            << MakeZip({{QStringLiteral("[Content_Types].xml"), "<Types/>"}}) << 438;
        QTest::newRow("main part missing") << [&] {
            std::vector<ZipEntry> e = Xlsx{}.entries();
            e.erase(e.begin() + 2);
            return MakeZip(e);
        }() << 432;
        QTest::newRow("a binary workbook") << [&] {
            std::vector<ZipEntry> e = Xlsx{}.entries();
            e[2].name = QStringLiteral("xl/workbook.bin");
            e[1].data.replace("workbook.xml", "workbook.bin");
            return MakeZip(e);
        }() << 432;
        QTest::newRow("no sheets") << MakeZip(Xlsx{}.entries()) << 438;
        QTest::newRow("a chart sheet alone") << MakeZip(sheetEntries("<chartsheet/>")) << 438;
        QTest::newRow("sheet part missing") << [&] {
            std::vector<ZipEntry> e = sheetEntries(row1);
            e.erase(e.begin() + 2);
            return MakeZip(e);
        }() << 432;
        QTest::newRow("shared strings missing")
            << MakeXlsx(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)") << 432;
    }
    void refused() {
        QFETCH(QByteArray, zip);
        QFETCH(int, expected);
        QCOMPARE(ErrorNumber([&] {
                     std::unique_ptr<Worksheet> sheet =
                         openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1"));
                     sheet->cellText(1, 1);
                     sheet->cellText(2, 1);
                 }),
                 expected);
    }

    // The search for data below the rows read, by the scan of the whole sheet.
    void nextRowWithData_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("expected");
        QByteArray data = R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)";
        for (int r = 2; r <= 500; ++r) {
            data += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"F" + QByteArray::number(r) +
                    "\"><v>1</v></c></row>";
        }
        const QByteArray blanks =
            R"(<row r="501"><c r="A501" t="s"><v>3</v></c><c r="B501" t="s"><v>5</v></c><c r="C501" t="inlineStr"><is><t> </t><rPh><t>x</t></rPh></is></c><c r="D501" t="str"><v>_x0020_</v></c></row>)"
            R"(<row r="502"><c r="A502"><v> </v></c><c r="B502" t="e"><v>&#32;</v></c><c r="C502" s="1"/><c r="D502"><f>1</f></c></row>)";
        QTest::newRow("only other columns") << data << 1 << 0;
        QTest::newRow("blank cells are no data") << data + blanks << 1 << 0;
        QTest::newRow("a number") << data + blanks + R"(<row r="503"><c r="D503"><v>7</v></c></row>)" << 1
                                  << 503;
        QTest::newRow("an entity")
            << data + blanks + R"(<row r="600"><c r="B600" t="inlineStr"><is><t>&amp;</t></is></c></row>)"
            << 1 << 600;
        QTest::newRow("a shared string")
            << data + R"(<row r="600"><c r="C600" t="s"><v>1</v></c></row>)" << 1 << 600;
        QTest::newRow("an unreadable index")
            << data + R"(<row r="600"><c r="C600" t="s"><v>x</v></c></row>)" << 1 << 600;
        QTest::newRow("a shared string too long")
            << data + R"(<row r="600"><c r="C600" t="s"><v>6</v></c></row>)" << 1 << 600;
        QTest::newRow("an inline string too long")
            << data + R"(<row r="600"><c r="C600" t="inlineStr"><is><t>)" + QByteArray(300000, 'a') +
                   "</t></is></c></row>"
            << 1 << 600;
        QTest::newRow("rows before") << data << 0 << 1;
        QTest::newRow("out of order")
            << QByteArray(R"(<row r="9"><c r="A9"><v>9</v></c></row><row r="4"><c r="A4"><v>4</v></c></row>)")
            << 1 << 4;
        QTest::newRow("a prefixed sheet") << QByteArray() << 1 << 3;
    }
    void nextRowWithData() {
        QFETCH(QByteArray, data);
        QFETCH(int, after);
        QFETCH(int, expected);
        Xlsx x;
        x.sheets = {{QStringLiteral("Sheet1"), SheetXml(data, kNs)}};
        if (data.isEmpty()) {
            x.sheets[0].second = kPrefixedSheet;
        }
        x.sharedStrings = SstXml(kItems);
        x.styles = kStyles;
        std::unique_ptr<Worksheet> sheet =
            openWorkbookData(MakeZip(x.entries()))->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->nextRowWithData(after, {1, 3, 2, 4}), expected);
        QCOMPARE(ErrorNumber([&] { sheet->nextRowWithData(0, {16385}); }), kErrorCellOutOfRange);
    }

    // The shapes other programs give a package: strict namespaces, absolute targets and backslashes,
    // chart sheets, relationships forgotten, the 1904 date system.
    void packageShapes() {
        for (bool strict : {false, true}) {
            Xlsx x;
            x.strict = strict;
            x.odd = strict;
            x.workbookAttributes = "date1904=\"1\"";
            x.sheets = {
                {QStringLiteral("图表"), "<chartsheet/>"},
                {QStringLiteral("甲"),
                 SheetXml(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>43834</v></c></row>)",
                          {}, strict)},
                {QStringLiteral("乙"),
                 SheetXml(R"(<row r="2"><c r="B2" t="s"><v>1</v></c></row>)", {}, strict)}};
            x.sharedStrings = SstXml("<si><t>first</t></si><si><t>second</t></si>", strict);
            x.styles = kStyles;
            std::unique_ptr<Workbook> book = openWorkbookData(MakeZip(x.entries()));
            QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("甲"), QStringLiteral("乙")}));
            QCOMPARE(book->worksheet(QStringLiteral("甲"))->cellText(1, 1), QStringLiteral("first"));
            QCOMPARE(book->worksheet(QStringLiteral("甲"))->cellText(1, 2), QStringLiteral("2024-01-05"));
            QCOMPARE(book->worksheet(QStringLiteral("乙"))->cellText(2, 2), QStringLiteral("second"));
            QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("图表")); }), kErrorNoSuchSheet);
        }
        Xlsx x;  // shared strings and styles where Excel puts them, the relationships forgetting them
        x.sheets = {
            {QStringLiteral("Sheet1"),
             SheetXml(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>45296</v></c></row>)")}};
        std::vector<ZipEntry> entries = x.entries();
        entries.push_back({QStringLiteral("xl/sharedStrings.xml"), SstXml(kItems)});
        entries.push_back({QStringLiteral("xl/styles.xml"), kStyles});
        const QByteArray zip = MakeZip(entries);
        QCOMPARE(read(zip, QStringLiteral("1,1 1,2")), QStringLiteral("张三|2024-01-05"));
    }
};

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "test_xlsx_reader.moc"
