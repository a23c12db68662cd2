// The .ods reader on spreadsheets the tests build: every kind of cell, zero-padded number styles,
// repeats counted rather than expanded, other vocabularies, other documents and crafted files.

#include <QTest>

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A sheet of these rows, with the number styles of workbooks/ods-styles.xml.
QByteArray ods(const QByteArray& rows) {
    return MakeOds(
        R"(<table:table table:name="Sheet1"><table:table-column table:number-columns-repeated="2"/><table:table-column table:default-cell-style-name="pad"/>)" +
            rows + "</table:table>",
        DataFile(QStringLiteral("workbooks/ods-styles.xml")));
}

}  // namespace

class TestOdsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ods-cells.txt: every kind of cell, padded number styles, other vocabularies, cells too long.
    void values_data() { AddRows(QStringLiteral("workbooks/ods-cells.txt"), "rows:b cells:s expected:s"); }
    void values() {
        QFETCH(QByteArray, rows);
        QFETCH(QString, cells);
        QFETCH(QString, expected);
        QCOMPARE(Cells(ods(rows), cells), expected);
    }

    void nextRowWithData() {
        // LibreOffice's padding: a repeat to the sheet's last row; a cell too long counts as data.
        std::unique_ptr<Worksheet> s =
            openWorkbookData(
                ods(Expand(
                    R"(<table:table-row><table:table-cell/><table:table-cell office:value-type="float" office:value="1"/></table:table-row><table:table-row table:number-rows-repeated="3"/><table:table-row table:number-rows-repeated="1048572"><table:table-cell office:value-type="float" office:value="9"/><table:table-cell><text:p>{40000*a}</text:p></table:table-cell></table:table-row>)")))
                ->worksheet(QStringLiteral("Sheet1"));
        QCOMPARE(s->nextRowWithData(0, {1}), 5);
        QCOMPARE(s->nextRowWithData(0, {2}), 1);
        QCOMPARE(s->nextRowWithData(1, {2}), 5);
        QCOMPARE(s->nextRowWithData(1048575, {1}), 1048576);
        QCOMPARE(s->nextRowWithData(1048576, {1}), 0);
        QCOMPARE(s->nextRowWithData(1, {3}), 0);
    }

    // ods-packages.txt: other documents, crafted files.
    void otherDocuments_data() {
        AddRows(QStringLiteral("workbooks/ods-packages.txt"), "mimetype:b content:b error:i");
        // Elements the XML reader would spend long on; the root declares 7 namespaces.
        const QByteArray type = "application/vnd.oasis.opendocument.spreadsheet";
        const auto table = [](const QByteArray& cellAttributes, int depth) {
            return OdsContent(
                R"(<table:table table:name="Sheet1"><table:table-row><table:table-cell office:value-type="float" )"
                R"(office:value="1")" +
                cellAttributes + "/>" + NestedDeclarations(depth) + "</table:table-row></table:table>");
        };
        QTest::newRow("256 attributes") << type << table(Attributes(254), 0) << 0;
        QTest::newRow("257 attributes") << type << table(Attributes(255), 0) << 432;
        QTest::newRow("256 namespace declarations in scope") << type << table({}, 249) << 0;
        QTest::newRow("257 namespace declarations in scope") << type << table({}, 250) << 432;
    }
    void otherDocuments() {
        QFETCH(QByteArray, mimetype);
        QFETCH(QByteArray, content);
        QFETCH(int, error);
        std::vector<ZipEntry> entries;
        if (!mimetype.isEmpty()) {
            entries.push_back({QStringLiteral("mimetype"), mimetype, true});
        }
        if (!content.isEmpty()) {
            entries.push_back({QStringLiteral("content.xml"), content});
        }
        const QByteArray zip = MakeZip(entries);
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
