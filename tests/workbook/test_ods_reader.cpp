// The .ods reader on spreadsheets the tests write: every kind of cell, repeated rows and columns
// counted rather than expanded, other kinds of document, and crafted files.

#include <QElapsedTimer>
#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QByteArray table(const QByteArray& name, const QByteArray& rows) {
    return "<table:table table:name=\"" + name +
           "\"><table:table-column table:number-columns-repeated=\"4\"/>" + rows + "</table:table>";
}

// A table cell with the attributes, holding the paragraphs; without paragraphs an empty element.
QByteArray cell(const QByteArray& attributes, const QByteArray& paragraphs = {}) {
    const QByteArray start = attributes.isEmpty() ? "<table:table-cell" : "<table:table-cell " + attributes;
    return paragraphs.isEmpty() ? start + "/>" : start + ">" + paragraphs + "</table:table-cell>";
}

// A cell of the value type with its value in the type's attribute, showing `shown`.
QByteArray typed(const QByteArray& type, const QByteArray& value, const QByteArray& shown = {}) {
    const QByteArray attribute = type == "date"      ? "office:date-value"
                                 : type == "time"    ? "office:time-value"
                                 : type == "boolean" ? "office:boolean-value"
                                                     : "office:value";
    return cell("office:value-type=\"" + type + "\" " + attribute + "=\"" + value + "\"",
                shown.isEmpty() ? QByteArray() : "<text:p>" + shown + "</text:p>");
}

// A row of one text cell holding one paragraph.
QByteArray textRow(const QByteArray& paragraph) {
    return "<table:table-row>" + cell(R"(office:value-type="string")", "<text:p>" + paragraph + "</text:p>") +
           "</table:table-row>";
}

QByteArray odsOfOneSheet(const QByteArray& rows) {
    return MakeOds(table("Sheet1", rows));
}

std::unique_ptr<Worksheet> sheet(const QByteArray& rows) {
    return openWorkbookData(odsOfOneSheet(rows))->worksheet(QStringLiteral("Sheet1"));
}

}  // namespace

class TestOdsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void values_data() {
        QTest::addColumn<QByteArray>("cells");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("expected");
        const auto text = [](const QByteArray& paragraphs) {
            return cell(R"(office:value-type="string")", paragraphs);
        };
        QTest::newRow("text") << text("<text:p>张三</text:p>") << 1 << "张三";
        QTest::newRow("spaces element") << text("<text:p>a<text:s text:c=\"3\"/>b</text:p>") << 1 << "a   b";
        QTest::newRow("leading space element") << text("<text:p><text:s/>x<text:s/></text:p>") << 1 << " x ";
        QTest::newRow("white space in the markup collapses")
            << text("<text:p>  a  \n  b </text:p>") << 1 << "a b ";
        QTest::newRow("tab and line break")
            << text("<text:p>a<text:tab/>b<text:line-break/>c</text:p>") << 1 << "a\tb\nc";
        QTest::newRow("spans") << text(
                                      "<text:p><text:span>张</text:span><text:span><text:span>三</"
                                      "text:span></text:span></text:p>")
                               << 1 << "张三";
        QTest::newRow("two paragraphs")
            << text("<text:p>北京</text:p><text:p>东城</text:p>") << 1 << "北京\n东城";
        QTest::newRow("annotation left out")
            << text("<office:annotation><text:p>a note</text:p></office:annotation><text:p>value</text:p>")
            << 1 << "value";
        QTest::newRow("string value attribute")
            << cell(R"(office:value-type="string" office:string-value="赵六")", "<text:p>shown</text:p>") << 1
            << "赵六";
        QTest::newRow("postcode as number") << typed("float", "100010", "100,010") << 1 << "100010";
        QTest::newRow("half") << typed("float", "0.5", "0.50") << 1 << "0.5";
        QTest::newRow("currency")
            << cell(R"(office:value-type="currency" office:currency="CNY" office:value="1234.5")",
                    "<text:p>¥1,234.50</text:p>")
            << 1 << "1234.5";
        QTest::newRow("percentage") << typed("percentage", "0.05", "5%") << 1 << "0.05";
        QTest::newRow("large") << typed("float", "1E+015") << 1 << "1E+15";
        QTest::newRow("date") << typed("date", "2024-01-05") << 1 << "2024-01-05";
        QTest::newRow("date and time") << typed("date", "2024-01-05T10:30:00") << 1 << "2024-01-05 10:30:00";
        QTest::newRow("time") << typed("time", "PT10H30M00S") << 1 << "10:30:00";
        QTest::newRow("true") << typed("boolean", "true") << 1 << "True";
        QTest::newRow("false") << typed("boolean", "false") << 1 << "False";
        QTest::newRow("error")
            << cell(
                   R"(table:formula="of:=1/0" office:value-type="string" office:string-value="" calcext:value-type="error")",
                   "<text:p>#DIV/0!</text:p>")
            << 1 << "#DIV/0!";
        QTest::newRow("formula result")
            << cell(R"x(table:formula="of:=SUM([.B1:.C1])" office:value-type="float" office:value="1235")x",
                    "<text:p>1235</text:p>")
            << 1 << "1235";
        QTest::newRow("no value type") << cell({}, "<text:p>loose</text:p>") << 1 << "loose";
        QTest::newRow("empty") << cell({}) << 1 << "";
        QTest::newRow("covered cell")
            << cell({}) + R"(<table:covered-table-cell office:value-type="float" office:value="3"/>)" << 2
            << "3";
        const QByteArray repeated =
            cell(R"(table:number-columns-repeated="3" office:value-type="float" office:value="7")") +
            typed("float", "8");
        QTest::newRow("repeated columns, first") << repeated << 1 << "7";
        QTest::newRow("repeated columns, last") << repeated << 3 << "7";
        QTest::newRow("after repeated columns") << repeated << 4 << "8";
    }

    void values() {
        QFETCH(QByteArray, cells);
        QFETCH(int, col);
        QFETCH(QString, expected);
        QCOMPARE(sheet("<table:table-row>" + cells + "</table:table-row>")->cellText(1, col), expected);
    }

    void repeatsAreCounted() {
        // LibreOffice's padding: a repeat to the sheet's last row, and one more row past it.
        std::unique_ptr<Worksheet> s = sheet(
            R"(<table:table-row><table:table-cell office:value-type="string"><text:p>first</text:p></table:table-cell></table:table-row>)"
            R"(<table:table-row table:number-rows-repeated="3"><table:table-cell office:value-type="float" office:value="5"/></table:table-row>)"
            R"(<table:table-row table:number-rows-repeated="1048570"><table:table-cell table:number-columns-repeated="1024"/></table:table-row>)"
            R"(<table:table-row table:number-rows-repeated="2"><table:table-cell office:value-type="float" office:value="9"/></table:table-row>)"
            R"(<table:table-row><table:table-cell office:value-type="float" office:value="10"/></table:table-row>)");
        QCOMPARE(s->cellText(1, 1), QStringLiteral("first"));
        QCOMPARE(s->cellText(2, 1), QStringLiteral("5"));
        QCOMPARE(s->cellText(4, 1), QStringLiteral("5"));
        QCOMPARE(s->cellText(5, 1), QString());
        QCOMPARE(s->cellText(1048574, 1), QString());
        QCOMPARE(s->cellText(1048575, 1), QStringLiteral("9"));
        QCOMPARE(s->cellText(1048576, 1), QStringLiteral("9"));
        QCOMPARE(s->nextRowWithData(1, {1}), 2);
        QCOMPARE(s->nextRowWithData(3, {1}), 4);
        QCOMPARE(s->nextRowWithData(4, {1}), 1048575);
        QCOMPARE(s->nextRowWithData(1048576, {1}), 0);
        QCOMPARE(s->nextRowWithData(0, {2}), 0);
    }

    void repeatsOfBillions() {
        // A kilobyte that claims 16 trillion cells: counted, never expanded.
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<Worksheet> s = sheet(
            R"(<table:table-row table:number-rows-repeated="4000000000"><table:table-cell table:number-columns-repeated="4000000000" office:value-type="string"><text:p>x</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>never reached</text:p></table:table-cell></table:table-row>)"
            R"(<table:table-row table:number-rows-repeated="99999999999999999999999"><table:table-cell office:value-type="float" office:value="1"/></table:table-row>)");
        QCOMPARE(s->cellText(1, 1), QStringLiteral("x"));
        QCOMPARE(s->cellText(1048576, 16384), QStringLiteral("x"));
        QCOMPARE(s->nextRowWithData(7, {16384}), 8);
        QCOMPARE(s->nextRowWithData(1048576, {1}), 0);
        QVERIFY2(timer.elapsed() < 5000, "repeats were expanded");
    }

    void rowGroups() {
        std::unique_ptr<Worksheet> s = sheet(
            R"(<table:table-header-rows><table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table-header-rows>)"
            R"(<table:table-row-group><table:table-row-group><table:table-row><table:table-cell office:value-type="float" office:value="2"/></table:table-row></table:table-row-group></table:table-row-group>)"
            R"(<table:table-row><table:table-cell office:value-type="float" office:value="3"/></table:table-row>)");
        QCOMPARE(s->cellText(1, 1), QStringLiteral("1"));
        QCOMPARE(s->cellText(2, 1), QStringLiteral("2"));
        QCOMPARE(s->cellText(3, 1), QStringLiteral("3"));
        QCOMPARE(s->cellText(4, 1), QString());
    }

    void otherDocuments_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("error");
        QTest::newRow("a text document")
            << MakeOds({}, "application/vnd.oasis.opendocument.text") << kErrorNoWorksheets;
        QTest::newRow("a spreadsheet without sheets") << MakeOds({}) << kErrorNoWorksheets;
        QTest::newRow("a mimetype without content")
            << MakeZip({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", true}})
            << kErrorNoWorksheets;
        QTest::newRow("content of a text document")
            << MakeZip(
                   {{QStringLiteral("content.xml"),
                     R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"><office:body><office:text/></office:body></office:document-content>)"}})
            << kErrorNoWorksheets;
        QTest::newRow("content cut short")
            << MakeZip(
                   {{QStringLiteral("content.xml"),
                     R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"><office:body><office:spre)"}})
            << kErrorNotWorkbook;
        QTest::newRow("a document type declaration")
            << MakeZip(
                   {{QStringLiteral("content.xml"),
                     R"(<?xml version="1.0"?><!DOCTYPE x [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">]><office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"><office:body><office:spreadsheet/></office:body></office:document-content>)"}})
            << kErrorNotWorkbook;
    }

    void otherDocuments() {
        QFETCH(QByteArray, zip);
        QFETCH(int, error);
        QCOMPARE(
            ErrorNumber([&] { openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1"))->cellText(1, 1); }),
            error);
    }

    void crafted_data() {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<int>("row");  // the first row whose reading fails; 0 when opening fails
        const QByteArray first = textRow("before");
        QTest::newRow("a billion spaces")
            << odsOfOneSheet(first + textRow(R"(<text:s text:c="1000000000"/>)")) << 2;
        QTest::newRow("text of 32,768 characters")
            << odsOfOneSheet(first + textRow(QByteArray(32768, 'a'))) << 2;
        QTest::newRow("spaces passing 32,767 characters")
            << odsOfOneSheet(first + textRow(QByteArray(32760, 'a') + R"(<text:s text:c="8"/>)")) << 2;
        QTest::newRow("deflate ratio over 100")
            << odsOfOneSheet(first + textRow(QByteArray("<text:span/>").repeated(3'000'000))) << 2;
        QTest::newRow("malformed row") << odsOfOneSheet(first + "<table:table-row><table:table-cell>") << 2;
    }

    void crafted() {
        QFETCH(QByteArray, zip);
        QFETCH(int, row);
        std::unique_ptr<Worksheet> s = openWorkbookData(zip)->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(s->cellText(1, 1), QStringLiteral("before"));
        QCOMPARE(ErrorNumber([&] { s->cellText(row, 1); }), kErrorNotWorkbook);
    }
};

QTEST_GUILESS_MAIN(TestOdsReader)
#include "test_ods_reader.moc"
