// Writes small workbooks of every record and part kind the readers know into fuzz/corpus/<reader>/,
// as seeds that reach what LibreOffice's fixtures do not (tools/make-fixtures.sh runs it).
//   write_fuzz_seeds CORPUS_DIR

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <cstdio>

#include "workbook_files.h"

using namespace velmora::test;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

QByteArray cell(quint16 type, int row, int col, const QByteArray& rest) {
    return BiffRecord(type, BiffCell(row, col) + rest);
}

QByteArray u32(quint32 v) {
    QByteArray b;
    PutU32(b, v);
    return b;
}

QByteArray f64(double v) {
    QByteArray b;
    PutF64(b, v);
    return b;
}

QByteArray biff8() {
    // A shared string table whose second string continues, wider, in a CONTINUE record.
    QByteArray sst = u32(3) + u32(3) + BiffUnicodeString(QStringLiteral("张三"));
    QByteArray split;
    PutU16(split, 6);
    split += QByteArray("\x00", 1) + "abc";
    QByteArray cont = QByteArray("\x01", 1);
    for (QChar c : QStringLiteral("北京市")) {
        PutU16(cont, c.unicode());
    }
    QByteArray rich;
    PutU16(rich, 2);
    rich += QByteArray("\x08", 1);
    PutU16(rich, 1);
    rich += QByteArray("ok") + u32(0);
    const QByteArray sstRecords = BiffRecord(0x00FC, sst + split) + BiffRecord(0x003C, cont + rich);

    QByteArray r;
    r += cell(0x00FD, 1, 1, u32(0)) + cell(0x00FD, 1, 2, u32(1)) + cell(0x00FD, 1, 3, u32(2));
    r += cell(0x0204, 2, 1, BiffUnicodeString(QStringLiteral("王五"))) + cell(0x0203, 2, 2, f64(1234.5)) +
         cell(0x027E, 2, 3, u32((100010u << 2) | 2));
    QByteArray mulrk = BiffCell(3, 1);
    mulrk.chop(2);
    for (quint32 v : {1u, 2u}) {
        PutU16(mulrk, 15);
        PutU32(mulrk, (v << 2) | 2);
    }
    PutU16(mulrk, 1);
    r += BiffRecord(0x00BD, mulrk);
    QByteArray stringResult(8, '\0');
    stringResult[6] = stringResult[7] = '\xFF';
    QByteArray tail;
    PutU16(tail, 0);
    PutU32(tail, 0);
    PutU16(tail, 0);
    r += cell(0x0006, 4, 1, stringResult + tail) +
         BiffRecord(0x0207, BiffUnicodeString(QStringLiteral("赵六")));
    r += cell(0x0006, 4, 2, f64(3) + tail);
    r += cell(0x0205, 5, 1, QByteArray("\x01\x00", 2)) + cell(0x0205, 5, 2, QByteArray("\x07\x01", 2));
    r += cell(0x0203, 1, 1, f64(11));  // out of order
    return MakeCompoundFile(
        {{QStringLiteral("Workbook"), Biff8Workbook({{QStringLiteral("Sheet1"), r}}, {}, sstRecords)}});
}

QByteArray biff5() {
    QStringEncoder gbk("GBK");
    const QByteArray name = gbk(QStringLiteral("张三"));
    QByteArray label;
    PutU16(label, static_cast<quint16>(name.size()));
    QByteArray cells = cell(0x0204, 1, 1, label + name) + cell(0x0203, 1, 2, f64(0.5));
    return MakeCompoundFile(
        {{QStringLiteral("Book"), Biff5Workbook({{QStringLiteral("工资表"), cells}}, 936, "GBK")}});
}

XlsxPackage xlsx(bool strict, PartNames names) {
    XlsxPackage p;
    p.strict = strict;
    p.names = names;
    p.sheets.push_back(
        {QStringLiteral("Sheet1"),
         WorksheetXml(
             R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" s="1"><v>45296</v></c></row>)"
             R"(<row><c t="inlineStr"><is><r><t>王</t></r><r><t>五</t></r></is></c><c t="b"><v>1</v></c><c t="e"><v>#N/A</v></c><c t="str"><f>A1</f><v>x_x000D_</v></c></row>)",
             strict)});
    p.sharedStrings = SharedStringsXml(
        "<si><t>张三</t></si><si><r><t>李</t></r><rPh><t>り</t></rPh><r><t>四</t></r></si>", strict);
    p.styles =
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts><numFmt numFmtId="164" formatCode="yyyy-mm-dd"/></numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)";
    return p;
}

std::vector<ZipEntry> storedEntries(std::vector<ZipEntry> entries) {
    for (ZipEntry& e : entries) {
        e.stored = true;
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    write(corpus.filePath(QStringLiteral("xls/built-biff8.xls")), biff8());
    write(corpus.filePath(QStringLiteral("xls/built-biff5.xls")), biff5());
    write(corpus.filePath(QStringLiteral("xlsx/built.xlsx")),
          MakeZip(storedEntries(XlsxEntries(xlsx(false, PartNames::Usual)))));
    write(corpus.filePath(QStringLiteral("xlsx/built-strict-absolute.xlsx")),
          MakeZip(storedEntries(XlsxEntries(xlsx(true, PartNames::Absolute)))));
    write(corpus.filePath(QStringLiteral("xlsx/built-backslash.xlsx")),
          MakeZip(storedEntries(XlsxEntries(xlsx(false, PartNames::Backslash)))));
    const QByteArray rows =
        R"(<table:table table:name="Sheet1"><table:table-header-rows><table:table-row><table:table-cell office:value-type="string"><text:p>张<text:s text:c="2"/>三<text:tab/><text:span>x</text:span></text:p><text:p>二</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="float" office:value="100010"/><table:table-cell office:value-type="date" office:date-value="2024-01-05T10:30:00"/><table:table-cell office:value-type="time" office:time-value="PT10H30M00S"/><table:table-cell office:value-type="boolean" office:boolean-value="true"/></table:table-row></table:table-header-rows>)"
        R"(<table:table-row table:number-rows-repeated="3"><table:table-cell table:number-columns-repeated="2" office:value-type="string" office:string-value="r"/><table:covered-table-cell/><table:table-cell calcext:value-type="error"><text:p>#N/A</text:p></table:table-cell></table:table-row>)"
        R"(<table:table-row table:number-rows-repeated="1048570"><table:table-cell table:number-columns-repeated="1024"/></table:table-row></table:table>)";
    std::vector<ZipEntry> ods = {
        {QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", true}};
    const QByteArray content = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"><office:body><office:spreadsheet>)" +
                               rows + "</office:spreadsheet></office:body></office:document-content>";
    ods.push_back({QStringLiteral("content.xml"), content, true});
    write(corpus.filePath(QStringLiteral("ods/built.ods")), MakeZip(ods));
    return 0;
}
