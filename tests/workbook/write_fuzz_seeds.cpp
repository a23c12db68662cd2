// Writes small crafted workbooks into fuzz/corpus/<reader>/, as seeds that reach what LibreOffice's
// fixtures do not: other vocabularies, rows out of order, padded formats, split strings, encodings.
//   write_fuzz_seeds CORPUS_DIR

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include "workbook_files.h"

using namespace velmora::test;

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(corpus.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    Xlsx x;
    x.sheets = {
        {QStringLiteral("Sheet1"),
         SheetXml(
             R"(<row r="3"><c r="A3" t="s"><v>1</v></c><c r="B3" s="1"><v>30000</v></c></row>)"
             R"(<row r="1"><c t="inlineStr"><is><r><t>王_x000D_</t></r><rPh><t>x</t></rPh></is></c><c t="b"><v>1</v></c><ev:v>9</ev:v></row>)"
             R"(<mc:AlternateContent><mc:Choice Requires="ev"/><mc:Fallback><row><c t="e"><v>#N/A</v></c></row></mc:Fallback></mc:AlternateContent>)",
             R"(xmlns:ev="urn:evil" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")")}};
    x.sharedStrings = SstXml("<si><t>张三</t></si><ev:si/><si><r><t>李</t></r></si>");
    x.styles =
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts><numFmt numFmtId="164" formatCode="000000"/></numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)";
    std::vector<ZipEntry> entries = x.entries();
    for (ZipEntry& e : entries) {
        e.stored = true;
    }
    const QByteArray sst =
        BiffRecord(0x00FC, U32(2) + U32(2) + BiffString(QStringLiteral("张三")) + U16(6) + '\0' + "abc") +
        BiffRecord(0x003C, '\x01' + QByteArray("\x17\x53\xAC\x4E\x02\x5E", 6));
    const QByteArray xfs =
        BiffRecord(0x041E, U16(164) + BiffString(QStringLiteral("000000"))) +
        QByteArray(BiffRecord(0x00E0, U16(0) + U16(164) + QByteArray(16, '\0'))).repeated(16);
    const QByteArray cells = BiffRecord(0x00FD, BiffCell(1, 1) + U32(1)) +
                             BiffRecord(0x0203, BiffCell(1, 2, 15) + F64(30000)) +
                             BiffRecord(0x027E, BiffCell(2, 1) + U32(100010u << 2 | 2)) +
                             BiffRecord(0x0203, BiffCell(1, 1) + F64(1));
    const QByteArray ods = MakeOds(
        R"(<table:table table:name="Sheet1"><table:table-column table:default-cell-style-name="p"/><table:table-row table:number-rows-repeated="3"><table:table-cell office:value-type="float" office:value="30000"/><table:table-cell office:value-type="time" office:time-value="PT99999999999H"/><table:table-cell><text:p>a<text:s text:c="2"/><ev:x>b</ev:x></text:p></table:table-cell></table:table-row></table:table>)",
        R"(<number:number-style style:name="N"><number:number number:min-integer-digits="6"/></number:number-style><style:style style:name="p" style:data-style-name="N"/>)");
    const bool ok =
        write(QStringLiteral("xlsx/built.xlsx"), MakeZip(entries)) &&
        write(QStringLiteral("xls/built.xls"), MakeXls(cells, xfs + sst)) &&
        write(QStringLiteral("xls/built-biff5.xls"),
              MakeCompoundFile(
                  {{QStringLiteral("Book"),
                    Biff5Gbk(QStringLiteral("工资表"),
                             BiffRecord(0x0204, BiffCell(1, 1) + U16(4) +
                                                    QStringEncoder("GBK")(QStringLiteral("张三"))))}})) &&
        write(QStringLiteral("ods/built.ods"), ods) &&
        write(QStringLiteral("csv/quoted.csv"), "\xEF\xBB\xBF\"a\"\"b\",\"x\r\ny\"z\r\n\n,,c\rd") &&
        write(QStringLiteral("csv/utf16.csv"),
              QStringEncoder(QStringConverter::Utf16LE,
                             QStringConverter::Flag::WriteBom)(QStringLiteral("张三\t1\n李四\t2"))) &&
        write(QStringLiteral("csv/gb18030.csv"),
              QStringEncoder("GB18030")(QStringLiteral("张三,030000\n钱七,\"€\"")));
    return ok ? 0 : 1;
}
