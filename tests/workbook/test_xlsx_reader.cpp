// The .xlsx reader on packages the tests build: every kind of cell, other vocabularies mixed in, rows
// out of order, the shapes other programs give a package, and crafted files.

#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A part of workbooks/xlsx-parts.txt.
QByteArray part(const char* name) {
    for (const std::vector<QByteArray>& c : Cases(QStringLiteral("workbooks/xlsx-parts.txt"))) {
        if (c[0] == name) {
            return c[1];
        }
    }
    throw std::runtime_error(name);
}

const QByteArray kNs =
    "xmlns:ev=\"urn:evil\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "mc:Ignorable=\"ev\"";

QByteArray sheetWith(const QByteArray& data, bool deflated = false) {
    Xlsx x;
    x.sheets = {{QStringLiteral("Sheet1"), data.startsWith("<x:") ? data : SheetXml(data, kNs)}};
    x.sharedStrings = SstXml(part("shared strings"));
    x.styles = part("styles");
    std::vector<ZipEntry> entries = x.entries();
    for (ZipEntry& e : entries) {
        e.stored = !deflated;  // long runs stay within the deflate ratio
    }
    return MakeZip(entries);
}

std::vector<ZipEntry> sheetEntries(const QByteArray& sheet) {
    Xlsx x;
    x.sheets = {{QStringLiteral("Sheet1"), sheet}};
    return x.entries();
}

}  // namespace

class TestXlsxReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // xlsx-cells.txt: every kind of cell, other vocabularies mixed in, rows out of order, bounds.
    void cells_data() { AddRows(QStringLiteral("workbooks/xlsx-cells.txt"), "data:b cells:s expected:s"); }
    void cells() {
        QFETCH(QByteArray, data);
        QFETCH(QString, cells);
        QFETCH(QString, expected);
        const bool deflated = cells.startsWith(QLatin1String("deflated "));
        QCOMPARE(Cells(sheetWith(data, deflated), cells.mid(deflated ? 9 : 0)), expected);
    }

    // Parts that are refused: the error at the cell read, or at opening.
    void refused_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("expected");
        const QByteArray row1 = R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)";
        // A package of one sheet (entries: content types, relationships, sheet, shared strings, workbook
        // and its relationships) changed by `change`.
        using Entries = std::vector<ZipEntry>;
        const auto changed = [&](const std::function<void(Entries&)>& change) {
            Entries e = sheetEntries(SheetXml(row1));
            e.insert(e.begin() + 3, {QStringLiteral("xl/sharedStrings.xml"), SstXml(part("shared strings"))});
            change(e);
            return MakeZip(e);
        };
        const auto crc = [&](int index) { return WithWrongCrc(changed([](Entries&) {}), index); };
        const auto row = [](const char* name, const QByteArray& zip, int error) {
            QTest::newRow(name) << zip << error;
        };
        row("document type in the shared strings",
            changed([](Entries& e) { e[3].data = part("shared strings with a document type"); }), 432);
        row("a foreign worksheet", changed([](Entries& e) { e[2].data = "<worksheet xmlns=\"urn:evil\"/>"; }),
            432);
        row("cut short", changed([](Entries& e) { e[2].data.chop(40); }), 432);
        row("wrong CRC of the workbook", crc(4), 432);
        row("wrong CRC of the sheet", crc(2), 432);
        row("wrong CRC, stored", WithWrongCrc(changed([](Entries& e) { e[2].stored = true; }), 2), 432);
        row("wrong CRC of the relationships", crc(1), 432);
        row("encrypted entry", changed([](Entries& e) { e[2].encrypted = true; }), 70);
        row("a word document",
            MakeZip({{QStringLiteral("_rels/.rels"), part("word relationships")},
                     {QStringLiteral("word/document.xml"), part("word document")}}),
            438);
        row("a zip of pictures", MakeZip({{QStringLiteral("photo.jpg"), "\xFF\xD8\xFF"}}), 438);
        row("no main part", MakeZip({{QStringLiteral("[Content_Types].xml"), "<Types/>"}}), 438);
        row("main part missing", changed([](Entries& e) { e[4].name = QStringLiteral("elsewhere"); }), 432);
        row("a binary workbook", changed([](Entries& e) {
                e[1].data.replace("xl/workbook.xml", "xl/workbook.bin");
                e[4].name = QStringLiteral("xl/workbook.bin");
            }),
            432);
        row("a foreign workbook", changed([](Entries& e) { e[4].data = "<workbook/>"; }), 438);
        row("no sheets", MakeZip(Xlsx{}.entries()), 438);
        row("a chart sheet alone", MakeZip(sheetEntries("<chartsheet/>")), 438);
        row("sheet part missing", changed([](Entries& e) { e[2].name = QStringLiteral("elsewhere"); }), 432);
        row("shared strings missing", changed([](Entries& e) { e[3].name = QStringLiteral("elsewhere"); }),
            432);
        row("shared strings first in the zip",
            changed([](Entries& e) { std::rotate(e.begin(), e.begin() + 3, e.begin() + 4); }), 0);
        row("shared strings of another vocabulary", changed([](Entries& e) { e[3].data = "<sst/>"; }), 432);
        // Elements the XML reader would spend long on: a cell has r, t and the others; the root declares
        // one namespace.
        const auto sheet = [&](const QByteArray& data) {
            return changed([&](Entries& e) { e[2].data = SheetXml(data); });
        };
        const QByteArray cell = R"(<row r="1"><c r="A1" t="s")";
        row("256 attributes", sheet(cell + Attributes(254) + "><v>0</v></c></row>"), 0);
        row("257 attributes", sheet(cell + Attributes(255) + "><v>0</v></c></row>"), 432);
        row("256 namespace declarations in scope, others out of it",
            sheet(row1 + NestedDeclarations(200) + NestedDeclarations(254, "<x:e xmlns:y=\"urn:y\"/>")), 0);
        row("257 namespace declarations in scope", sheet(row1 + NestedDeclarations(256)), 432);
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

    // xlsx-next-row.txt: the search for data below the rows read, by the scan of the whole sheet.
    void nextRowWithData_data() {
        AddRows(QStringLiteral("workbooks/xlsx-next-row.txt"), "data:b after:i expected:i");
    }
    void nextRowWithData() {
        QFETCH(QByteArray, data);
        QFETCH(int, after);
        QFETCH(int, expected);
        std::unique_ptr<Worksheet> sheet =
            openWorkbookData(sheetWith(data))->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(sheet->nextRowWithData(after, {1, 3, 2, 4}), expected);
        QCOMPARE(ErrorNumber([&] { sheet->nextRowWithData(0, {16385}); }), kErrorCellOutOfRange);
    }

    // xlsx-scan.txt: how the scan of the sheet's bytes judges a cell below row 1.
    void scanJudgement_data() { AddRows(QStringLiteral("workbooks/xlsx-scan.txt"), "cell:b expected:i"); }
    void scanJudgement() {
        QFETCH(QByteArray, cell);
        QFETCH(int, expected);
        const QByteArray data = R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="3">)" + cell + "</row>";
        QCOMPARE(
            openWorkbookData(sheetWith(data))->worksheet(QStringLiteral("Sheet1"))->nextRowWithData(1, {1}),
            expected);
    }

    // Past the 64,000 cell formats a workbook holds, a cell reads as General.
    void cellFormatsBounded() {
        Xlsx x;
        x.sheets = {
            {QStringLiteral("Sheet1"), SheetXml(R"(<row r="1"><c r="A1" s="64000"><v>45296</v></c></row>)")}};
        x.styles = part("styles").replace("<cellXfs>",
                                          "<cellXfs>" + QByteArray("<xf numFmtId=\"0\"/>").repeated(63999));
        std::vector<ZipEntry> entries = x.entries();
        entries[3].stored = true;  // the styles, within the deflate ratio
        QCOMPARE(Cells(MakeZip(entries), QStringLiteral("1,1")), QStringLiteral("45296"));
    }

    // The shapes other programs give a package: strict namespaces, absolute targets and backslashes,
    // chart sheets, the 1904 date system. (The refused packages above forget the shared strings'
    // relationship, as some writers do.)
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
            x.styles = part("styles");
            std::unique_ptr<Workbook> book = openWorkbookData(MakeZip(x.entries()));
            QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("甲"), QStringLiteral("乙")}));
            QCOMPARE(book->worksheet(QStringLiteral("甲"))->cellText(1, 1), QStringLiteral("first"));
            QCOMPARE(book->worksheet(QStringLiteral("甲"))->cellText(1, 2), QStringLiteral("2024-01-05"));
            QCOMPARE(book->worksheet(QStringLiteral("乙"))->cellText(2, 2), QStringLiteral("second"));
            QCOMPARE(ErrorNumber([&] { book->worksheet(QStringLiteral("图表")); }), kErrorNoSuchSheet);
        }
    }
};

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "test_xlsx_reader.moc"
