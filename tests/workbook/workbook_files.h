#pragma once

// Workbook files the reader tests build themselves (zip packages through libzip, compound files and
// BIFF records byte by byte).

#include <QString>
#include <functional>
#include <vector>

#include "../support/cases.h"

namespace velmora::test {

// The number of the AutomationError that `f` throws, 0 when it throws none.
int ErrorNumber(const std::function<void()>& f);

// The texts of the cells ("row,col row,col...") of Sheet1 of the bytes opened as a workbook (`suffix`
// as a file name's), between "|", "error N" for one refused.
QString Cells(const QByteArray& bytes, const QString& cells, const QString& suffix = {});

// With VELMORA_SEEDS set to fuzz/corpus, writes the bytes there as a seed of the reader's corpus (files
// of 64 KiB at most): MakeZip and MakeCompoundFile do so for every file they make.
void Seed(const char* reader, const QByteArray& bytes);

struct ZipEntry {
    QString name;
    QByteArray data;
    bool stored = false;  // stored as is rather than deflated
    bool encrypted = false;
};
QByteArray MakeZip(const std::vector<ZipEntry>& entries);
// The zip with the CRC-32 of entry `index` changed, in its local header and the central directory.
QByteArray WithWrongCrc(QByteArray zip, int index);

// An .xlsx of sheets (name, worksheet part), shared strings and styles parts (none when empty), in the
// transitional namespaces or the strict ones; absolute targets ("/xl/...") and "\" in part names as
// other writers make them.
struct Xlsx {
    std::vector<std::pair<QString, QByteArray>> sheets;
    QByteArray sharedStrings;
    QByteArray styles;
    QByteArray workbookAttributes;  // of <workbookPr>
    QByteArray afterSheets;         // elements after <sheets>, such as <calcPr>
    bool strict = false;
    bool odd = false;  // absolute targets and backslashes
    std::vector<ZipEntry> entries() const;
};
// A worksheet part: `data` inside <sheetData> (or in its place when it starts with one, or with
// <sheetPr>), `root` added to the root element's attributes.
QByteArray SheetXml(const QByteArray& data, const QByteArray& root = {}, bool strict = false);
QByteArray SstXml(const QByteArray& items, bool strict = false);
// The content.xml of an .ods whose spreadsheet holds `tables`, with `styles` as its automatic styles; its
// root declares 7 namespaces.
QByteArray OdsContent(const QByteArray& tables, const QByteArray& styles = {});
// An .ods of that content.
QByteArray MakeOds(const QByteArray& tables, const QByteArray& styles = {},
                   const QByteArray& mimetype = "application/vnd.oasis.opendocument.spreadsheet");

// ` a0="" a1="" ...`: `count` attributes.
QByteArray Attributes(int count);
// `depth` nested elements <x:e xmlns:x="urn:x"> around `inside`.
QByteArray NestedDeclarations(int depth, const QByteArray& inside = {});

// A version 3 compound file (512-byte sectors) with the streams in its root storage; streams under
// 4,096 bytes go to the mini stream. Layout: header, stream sectors, mini stream, mini FAT,
// directory, FAT, DIFAT (for a file past 7 MB).
QByteArray MakeCompoundFile(const std::vector<std::pair<QString, QByteArray>>& streams);
quint32 U32At(const QByteArray& bytes, qsizetype at);
void SetU32(QByteArray& bytes, qsizetype at, quint32 value);

QByteArray U16(quint16 value);  // little-endian bytes
QByteArray U32(quint32 value);
QByteArray F64(double value);
QByteArray BiffRecord(quint16 type, const QByteArray& body);
// The row, column (from 1) and cell format every cell record starts with.
QByteArray BiffCell(int row, int col, quint16 xf = 15);
// An XLUnicodeString: 16-bit count, flags, characters (one byte each when all fit, else two).
QByteArray BiffString(const QString& text);
// A BIFF8 workbook stream: globals (`globals` after the BOF, e.g. an SST), then one sheet per entry
// (name, records between its BOF and EOF).
QByteArray Biff8(const std::vector<std::pair<QString, QByteArray>>& sheets, const QByteArray& globals = {});
// A BIFF5 workbook stream in code page 936 (GBK), one sheet named by its GBK bytes.
QByteArray Biff5Gbk(const QByteArray& sheetName, const QByteArray& records);
// An .xls file of one sheet "Sheet1" with the records and globals.
QByteArray MakeXls(const QByteArray& records, const QByteArray& globals = {});

}  // namespace velmora::test
