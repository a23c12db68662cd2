#pragma once

// Workbook files the reader tests write themselves: zip packages through libzip, compound files and
// BIFF records byte by byte.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace velmora::test {

// The number of the AutomationError that `f` throws, 0 when it throws none. With VELMORA_SHOW_ERRORS
// set, shows each error's detail.
int ErrorNumber(const std::function<void()>& f);

// Opens the bytes as a workbook and reads every sheet's first `rows` rows of `cols` columns: the
// number of the error that stops it, or 0.
int ReadEverything(const QByteArray& bytes, int rows = 20, int cols = 8);

// ---- zip -------------------------------------------------------------------------------------------

struct ZipEntry {
    QString name;
    QByteArray data;
    bool stored = false;  // stored as is rather than deflated
};

// A zip file of the entries, in this order.
QByteArray MakeZip(const std::vector<ZipEntry>& entries);

// ---- .xlsx -----------------------------------------------------------------------------------------

struct XlsxSheet {
    QString name;
    QByteArray xml;  // the whole worksheet part
    QString relationshipType = QStringLiteral("worksheet");
};

enum class PartNames {
    Usual,      // xl/worksheets/sheet1.xml, relative targets
    Backslash,  // xl\worksheets\sheet1.xml in the zip, as WPS writes them
    Absolute,   // targets "/xl/worksheets/sheet1.xml", as openpyxl writes them
    Reversed,   // the first sheet has the last relationship id, as LibreOffice does it
};

struct XlsxPackage {
    std::vector<XlsxSheet> sheets;
    QByteArray sharedStrings;  // the sst part, or empty for none
    QByteArray styles;         // the styleSheet part, or empty for none
    QString workbookPr;        // attributes of <workbookPr>, e.g. date1904="1"
    bool strict = false;       // the strict Office XML namespaces
    PartNames names = PartNames::Usual;
};

std::vector<ZipEntry> XlsxEntries(const XlsxPackage& package);
QByteArray MakeXlsx(const XlsxPackage& package);

// A worksheet part around the given <sheetData> content, in the transitional or strict namespace.
QByteArray WorksheetXml(const QByteArray& sheetData, bool strict = false);
// A shared strings part around the given <si> items.
QByteArray SharedStringsXml(const QByteArray& items, bool strict = false);

// ---- .ods ------------------------------------------------------------------------------------------

// An OpenDocument spreadsheet whose <office:spreadsheet> holds `tables` (the <table:table> elements).
QByteArray MakeOds(const QByteArray& tables,
                   const QByteArray& mimetype = "application/vnd.oasis.opendocument.spreadsheet");

// ---- compound files --------------------------------------------------------------------------------

// A version 3 compound file (512-byte sectors) with the streams in its root storage; streams under
// 4,096 bytes go to the mini stream. Layout: stream sectors, mini stream, mini FAT, directory, FAT.
QByteArray MakeCompoundFile(const std::vector<std::pair<QString, QByteArray>>& streams);

// Where a compound file keeps things, for tests that break them.
quint32 CfbHeaderField(const QByteArray& file, int offset);
qint64 CfbSectorOffset(quint32 sector);
// The file offset of the FAT entry for `sector` (the FAT of a file from MakeCompoundFile).
qint64 CfbFatEntryOffset(const QByteArray& file, quint32 sector);
// The file offset of directory entry `id`.
qint64 CfbDirectoryEntryOffset(const QByteArray& file, int id);

// ---- BIFF records ----------------------------------------------------------------------------------

void PutU16(QByteArray& bytes, quint16 value);
void PutU32(QByteArray& bytes, quint32 value);
void PutF64(QByteArray& bytes, double value);
void SetU16(QByteArray& bytes, qsizetype at, quint16 value);
void SetU32(QByteArray& bytes, qsizetype at, quint32 value);

// A record: type, length, body.
QByteArray BiffRecord(quint16 type, const QByteArray& body);
// The row, column and cell format every cell record starts with (row and column from 1).
QByteArray BiffCell(int row, int col, quint16 xf = 15);
// An XLUnicodeString: 16-bit count, flags, characters (one byte each when all fit, else two).
QByteArray BiffUnicodeString(const QString& text, bool forceWide = false);

struct BiffSheet {
    QString name;
    QByteArray records;  // the sheet's records between its BOF and EOF
    int type = 0;        // 0 worksheet, 2 chart...
};

// A BIFF8 workbook stream: globals (`globals` inserted after the BOF and the code page; `sst`, if not
// empty, as a complete SST record and its CONTINUE records) and the sheets.
QByteArray Biff8Workbook(const std::vector<BiffSheet>& sheets, const QByteArray& globals = {},
                         const QByteArray& sst = {});

// A BIFF5 workbook stream with a CODEPAGE record of `codePage`, its sheet names encoded in
// `encoding` (a name QStringEncoder knows).
QByteArray Biff5Workbook(const std::vector<BiffSheet>& sheets, quint16 codePage, const char* encoding);

}  // namespace velmora::test
