// The .ods reader on spreadsheets the tests build: every kind of cell, zero-padded number styles,
// repeats counted rather than expanded, other vocabularies, other documents and crafted files.

#include <QElapsedTimer>
#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Number styles: N6 pads to six digits; the others do not (grouping, decimals, text).
const QByteArray kStyles = R"(
<number:number-style style:name="N6"><number:number number:decimal-places="0" number:min-integer-digits="6"/><style:text-properties/><style:map style:condition="value()&lt;0" style:apply-style-name="N0"/></number:number-style>
<number:number-style style:name="G6"><number:number number:min-integer-digits="6" number:grouping="true"/></number:number-style>
<number:number-style style:name="D6"><number:number number:decimal-places="2" number:min-integer-digits="6"/></number:number-style>
<number:number-style style:name="T6"><number:text>No.</number:text><number:number number:min-integer-digits="6"/></number:number-style>
<style:style style:name="pad" style:family="table-cell" style:data-style-name="N6"/>
<style:style style:name="group" style:family="table-cell" style:data-style-name="G6"/>
<style:style style:name="decimals" style:family="table-cell" style:data-style-name="D6"/>
<style:style style:name="text" style:family="table-cell" style:data-style-name="T6"/>)";

QByteArray ods(const QByteArray& rows) {
    return MakeOds(
        R"(<table:table table:name="Sheet1"><table:table-column table:number-columns-repeated="2"/><table:table-column table:default-cell-style-name="pad"/>)" +
            rows + "</table:table>",
        kStyles);
}

QByteArray row(const QByteArray& cells) {
    return "<table:table-row>" + cells + "</table:table-row>";
}

QByteArray text(const QByteArray& paragraphs, const QByteArray& attributes = {}) {
    return "<table:table-cell office:value-type=\"string\"" + attributes + ">" + paragraphs +
           "</table:table-cell>";
}

QByteArray typed(const QByteArray& type, const QByteArray& attribute, const QByteArray& value,
                 const QByteArray& more = {}) {
    return "<table:table-cell office:value-type=\"" + type + "\" office:" + attribute + "=\"" + value +
           "\" " + more + "><text:p>shown</text:p></table:table-cell>";
}

QByteArray number(const QByteArray& value, const QByteArray& more = {}) {
    return typed("float", "value", value, more);
}

}  // namespace

class TestOdsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Row 1: the cells, then the text of column `col`.
    void values_data() {
        QTest::addColumn<QByteArray>("cells");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text") << text("<text:p>张三</text:p>") << 1 << "张三";
        QTest::newRow("spaces element")
            << text("<text:p><text:s/>a<text:s text:c=\"3\"/>b</text:p>") << 1 << " a   b";
        QTest::newRow("white space collapses") << text("<text:p>  a \t\n b </text:p>") << 1 << "a b ";
        QTest::newRow("tab and line break")
            << text("<text:p>a<text:tab/>b<text:line-break/>c</text:p>") << 1 << "a\tb\nc";
        QTest::newRow("spans and paragraphs")
            << text(
                   "<text:h>北京</text:h><text:p><text:span>东</text:span><text:span><text:a>城</text:a></"
                   "text:span></text:p>")
            << 1 << "北京\n东城";
        QTest::newRow("left out")
            << text(
                   "<office:annotation><text:p>note</text:p></office:annotation><text:p>v<text:note>n</"
                   "text:note><text:ruby-text>r</text:ruby-text><ev:x>x</ev:x></text:p><ev:p>666</ev:p>")
            << 1 << "v";
        QTest::newRow("string value")
            << text("<text:p>shown</text:p>", " office:string-value=\"赵六\"") << 1 << "赵六";
        QTest::newRow("number") << number("100010") << 1 << "100010";
        QTest::newRow("currency") << typed("currency", "value", "1234.5") << 1 << "1234.5";
        QTest::newRow("percentage padded no more")
            << typed("percentage", "value", "5", "table:style-name=\"pad\"") << 1 << "5";
        QTest::newRow("not a number") << number("x") << 1 << "shown";
        QTest::newRow("date") << typed("date", "date-value", "2024-01-05T10:30:00") << 1
                              << "2024-01-05 10:30:00";
        QTest::newRow("time") << typed("time", "time-value", " PT10H30M00S ") << 1 << "10:30:00";
        QTest::newRow("time beyond a cell")
            << typed("time", "time-value", "PT999999999999999999H") << 1 << "4.16666666666667E+16";
        QTest::newRow("true") << typed("boolean", "boolean-value", "true") << 1 << "True";
        QTest::newRow("one") << typed("boolean", "boolean-value", "1") << 1 << "True";
        QTest::newRow("false") << typed("boolean", "boolean-value", "false") << 1 << "False";
        QTest::newRow("error") << text("<text:p>#DIV/0!</text:p>",
                                       " office:string-value=\"\" calcext:value-type=\"error\"")
                               << 1 << "#DIV/0!";
        QTest::newRow("no value type")
            << QByteArray("<table:table-cell><text:p>loose</text:p></table:table-cell>") << 1 << "loose";
        QTest::newRow("covered cell") << QByteArray(
                                             "<table:table-cell/><table:covered-table-cell "
                                             "office:value-type=\"float\" office:value=\"3\"/>")
                                      << 2 << "3";
        QTest::newRow("foreign cell")
            << "<ev:table-cell><text:p>666</text:p></ev:table-cell>" + number("1") << 1 << "1";
        const QByteArray repeated =
            "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" "
            "office:value=\"7\"/>" +
            number("8");
        QTest::newRow("repeated columns, last") << repeated << 2 << "7";
        QTest::newRow("after repeated columns, padded by the column") << repeated << 3 << "000008";
        QTest::newRow("padded") << number("30000", "table:style-name=\"pad\"") << 1 << "030000";
        QTest::newRow("padded, a fraction")
            << number("30000.5", "table:style-name=\"pad\"") << 1 << "30000.5";
        QTest::newRow("grouped") << number("30000", "table:style-name=\"group\"") << 1 << "30000";
        QTest::newRow("decimals") << number("30000", "table:style-name=\"decimals\"") << 1 << "30000";
        QTest::newRow("with text") << number("30000", "table:style-name=\"text\"") << 1 << "30000";
        QTest::newRow("style of its own over the column's")
            << number("1") + number("2") + number("3", "table:style-name=\"group\"") << 3 << "3";
        QTest::newRow("text too long")
            << text("<text:p>" + QByteArray(32768, 'a') + "</text:p>") << 1 << "error 14";
        QTest::newRow("spaces too many")
            << text("<text:p>a<text:s text:c=\"1000000000\"/></text:p>") << 1 << "error 14";
        QTest::newRow("spaces past the longest")
            << text("<text:p>" + QByteArray(32760, 'a') + "<text:s text:c=\"8\"/></text:p>") << 1
            << "error 14";
        QTest::newRow("string value too long")
            << text({}, " office:string-value=\"" + QByteArray(32768, 'a') + "\"") << 1 << "error 14";
        QTest::newRow("longest") << text("<text:p>" + QByteArray(32767, 'a') + "</text:p>") << 1
                                 << QString(32767, u'a');
        QTest::newRow("too long beside")
            << text("<text:p>" + QByteArray(40000, 'a') + "</text:p>") + number("2") << 2 << "2";
        QTest::newRow("negative space count")
            << text("<text:p><text:s text:c=\"-1\"/></text:p>") << 1 << "error 432";
    }
    void values() {
        QFETCH(QByteArray, cells);
        QFETCH(int, col);
        QFETCH(QString, expected);
        QCOMPARE(Cell(ods(row(cells)), 1, col), expected);
    }

    void repeats() {
        // LibreOffice's padding: a repeat to the sheet's last row, one more row past it; groups of rows.
        const QByteArray one = row(number("1"));
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<Worksheet> s =
            openWorkbookData(
                ods("<table:table-header-rows>" + one +
                    "</table:table-header-rows><table:table-row-group><ev:x/>" +
                    R"(<table:table-row table:number-rows-repeated="3"><table:table-cell table:number-columns-repeated="4000000000" office:value-type="float" office:value="5"/><table:table-cell><text:p>never reached</text:p></table:table-cell></table:table-row>)"
                    "</table:table-row-group>" +
                    R"(<table:table-row table:number-rows-repeated="1048568"><table:table-cell table:number-columns-repeated="1024"/></table:table-row>)"
                    R"(<table:table-row table:number-rows-repeated="99999999999999999999999"><table:table-cell office:value-type="float" office:value="9"/><table:table-cell><text:p>)" +
                    QByteArray(40000, 'a') + "</text:p></table:table-cell></table:table-row>" + one))
                ->worksheet(QStringLiteral("sheet1"));
        QCOMPARE(s->cellText(1, 1), QStringLiteral("1"));
        QCOMPARE(s->cellText(2, 1), QStringLiteral("5"));
        QCOMPARE(s->cellText(4, 16384), QStringLiteral("5"));
        QCOMPARE(s->cellText(5, 1), QString());
        QCOMPARE(s->cellText(1048572, 1), QString());
        QCOMPARE(s->cellText(1048573, 1), QStringLiteral("9"));
        QCOMPARE(s->cellText(1048576, 1), QStringLiteral("9"));
        QCOMPARE(ErrorNumber([&] { s->cellText(1048576, 2); }), kErrorCellTooLong);
        QCOMPARE(s->nextRowWithData(1, {1}), 2);
        QCOMPARE(s->nextRowWithData(3, {1}), 4);
        QCOMPARE(s->nextRowWithData(4, {1}), 1048573);
        QCOMPARE(s->nextRowWithData(4, {2}), 1048573);  // a cell too long counts as data
        QCOMPARE(s->nextRowWithData(1048576, {1}), 0);
        QVERIFY2(timer.elapsed() < 5000, "repeats were expanded");
    }

    void otherDocuments_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("error");
        QTest::newRow("a text document")
            << MakeOds({}, {}, "application/vnd.oasis.opendocument.text") << kErrorNoWorksheets;
        QTest::newRow("a spreadsheet without sheets")
            << MakeOds("<ev:table table:name=\"Sheet1\"/>") << kErrorNoWorksheets;
        QTest::newRow("no such sheet") << MakeOds("<table:table table:name=\"Other\"/>") << kErrorNoSuchSheet;
        QTest::newRow("a mimetype without content")
            << MakeZip({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", true}})
            << kErrorNoWorksheets;
        QTest::newRow("content of a text document")
            << MakeZip(
                   {{QStringLiteral("content.xml"),
                     R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"><office:body><office:text/></office:body></office:document-content>)"}})
            << kErrorNoWorksheets;
        QTest::newRow("content of another vocabulary")
            << MakeZip({{QStringLiteral("content.xml"),
                         R"(<document-content><body><spreadsheet/></body></document-content>)"}})
            << kErrorNoWorksheets;
        QTest::newRow("a document type")
            << MakeZip(
                   {{QStringLiteral("content.xml"),
                     R"(<!DOCTYPE x [<!ENTITY a "aaaaaaaaaa">]><office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"/>)"}})
            << kErrorNotWorkbook;
        QTest::newRow("deflate ratio over 100")
            << ods(row(text("<text:p>" + QByteArray("<text:span/>").repeated(3'000'000) + "</text:p>")))
            << kErrorNotWorkbook;
        QTest::newRow("malformed row")
            << ods(row(number("1")) + "<table:table-row><table:table-cell>") << kErrorNotWorkbook;
    }
    void otherDocuments() {
        QFETCH(QByteArray, zip);
        QFETCH(int, error);
        QCOMPARE(ErrorNumber([&] {
                     std::unique_ptr<Worksheet> s =
                         openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1"));
                     QCOMPARE(s->cellText(1, 1), QStringLiteral("1"));
                     s->cellText(2, 1);
                 }),
                 error);
    }
};

QTEST_GUILESS_MAIN(TestOdsReader)
#include "test_ods_reader.moc"
