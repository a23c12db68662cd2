// Workbook reading speed and memory, each workbook written on the first run and kept in the temporary
// folder (velmora-bench/):
// - Read500RowsFrom600, Read500RowsFromAMillion: what an import reads (500 rows of 4 columns, A C B D,
//   from row 2) from an .xlsx of 600 rows and from one of 1,000,000 rows with shared strings (written
//   with libxlsxwriter). Opening a sheet scans it once (order, cells with data), so the rows beyond
//   cost their inflation and a byte scan. Targets: 600 rows in 5 ms; a million in 0.5 s and 64 MiB.
// - TailScan, InflateTail: an import of 500 payees followed by 999,500 rows with data only in column F,
//   with its search for data below the rows read, against inflating the sheet's XML alone. Target: the
//   import at most twice the inflation.
// - SharedStrings*: shared string tables past any bound: an .xlsx whose table holds 47 million empty
//   <si/> (stored, 235 MB) and an .xls whose SST holds 80 million empty strings, each asked for its
//   last string (refused at once) and for the last string the bound lets in (4,194,303: parsed);
//   and an .xls of 4,194,303 strings of 7 characters. Targets: answered within 2 s in 100 MiB.
// - Attributes*, NestedNamespaces*: elements that cost the XML reader time growing with the square of
//   their attributes or of the namespace declarations in scope: one cell of an .xlsx sheet with 50,000,
//   100,000 and 300,000 attributes, one cell of an .ods with 200,000, and 100,000 nested elements each
//   declaring two namespaces and named by a prefix the root declares (looked up past every declaration),
//   in an .xlsx sheet and an .ods table; all refused. AttributesAtTheBound: what the bounds still let
//   in, at its dearest: a sheet read by the XML reader whose 4,000 cells have 255 attributes each, every
//   one's prefix declared at the root under 254 other declarations (argument 255), against the same
//   bytes of cells with 10 plain attributes each (argument 10). Targets: answered within 2 s in 100 MiB;
//   the bound case at most three times the plain one.
// - CsvLongLine: a CSV file of one 200 MB line, one field (its cell A1 refused as too long) or 100
//   million fields "x". Target: answered within 2 s in 100 MiB.

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <zip.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <tuple>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "workbook.h"
#include "workbook_files.h"

using namespace velmora;

namespace {

constexpr int kFirstRow = 2;
constexpr int kRowsRead = 500;
const int kColumns[4] = {1, 3, 2, 4};  // payee name, address, postcode, amount

QString nameOf(int row) {
    return QStringLiteral("收款人%1").arg(row, 7, 10, QLatin1Char('0'));
}

// A payee list of `rows` data rows under a heading row: names and addresses as (shared) strings, each
// one different, postcodes and amounts as numbers.
QString workbook(int rows) {
    const QString dir = QDir::temp().filePath(QStringLiteral("velmora-bench"));
    QDir().mkpath(dir);
    const QString path = QStringLiteral("%1/payees-%2.xlsx").arg(dir).arg(rows);
    if (QFileInfo(path).size() > 0) {
        return path;
    }
    const QString partial = path + QStringLiteral(".part");
    lxw_workbook* book = workbook_new(QFile::encodeName(partial).constData());
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    worksheet_write_string(sheet, 0, 0, "收款人", nullptr);
    worksheet_write_string(sheet, 0, 1, "邮编", nullptr);
    worksheet_write_string(sheet, 0, 2, "地址", nullptr);
    worksheet_write_string(sheet, 0, 3, "金额", nullptr);
    for (int r = 1; r <= rows; ++r) {
        const QByteArray name = nameOf(r + 1).toUtf8();
        const QByteArray address = QStringLiteral("北京市海淀区中关村大街%1号").arg(r).toUtf8();
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 0, name.constData(), nullptr);
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 1, 100000 + r % 900000, nullptr);
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 2, address.constData(), nullptr);
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 3, (r % 100000) / 100.0, nullptr);
    }
    if (workbook_close(book) != LXW_NO_ERROR) {
        return {};
    }
    QFile::rename(partial, path);
    return path;
}

// The peak resident memory since the last reset, in bytes (Linux); 0 where it cannot be told.
qint64 peakResident() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

// Gives freed memory back to the system and resets the peak to the present resident size, so that the
// next peak counts what was allocated since.
void resetPeak() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

void readAsTheImportDoes(benchmark::State& state, int rows) {
    const QString path = workbook(rows);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the workbook");
        return;
    }
    qint64 extra = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const qint64 before = peakResident();
        state.ResumeTiming();
        std::unique_ptr<Workbook> book = openWorkbook(path);
        std::unique_ptr<Worksheet> sheet = book->worksheet(QStringLiteral("sheet1"));
        QString last;
        for (int r = kFirstRow; r < kFirstRow + kRowsRead; ++r) {
            for (int c : kColumns) {
                last = sheet->cellText(r, c);
                benchmark::DoNotOptimize(last);
            }
        }
        sheet.reset();
        book.reset();
        state.PauseTiming();
        extra = std::max(extra, peakResident() - before);
        if (openWorkbook(path)->worksheet(QStringLiteral("Sheet1"))->cellText(kFirstRow + kRowsRead - 1, 1) !=
            nameOf(kFirstRow + kRowsRead - 1)) {
            state.SkipWithError("read the wrong cells");
        }
        state.ResumeTiming();
    }
    state.counters["extra_MiB"] = static_cast<double>(extra) / (1024 * 1024);
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}

void BM_Read500RowsFrom600(benchmark::State& state) {
    readAsTheImportDoes(state, 600);
}
void BM_Read500RowsFromAMillion(benchmark::State& state) {
    readAsTheImportDoes(state, 1'000'000);
}

// A file in the bench folder, made by `make` on the first run.
QString benchFile(const QString& name, const std::function<QByteArray()>& make) {
    const QString dir = QDir::temp().filePath(QStringLiteral("velmora-bench"));
    QDir().mkpath(dir);
    const QString path = dir + u'/' + name;
    if (QFileInfo(path).size() == 0) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(make()) < 0) {
            return {};
        }
    }
    return path;
}

// An .xlsx of one sheet holding `sheetData`, its shared strings `items` stored uncompressed.
QByteArray storedXlsx(const QByteArray& sheetData, const QByteArray& items) {
    test::Xlsx x;
    x.sheets = {{QStringLiteral("Sheet1"), test::SheetXml(sheetData)}};
    x.sharedStrings = test::SstXml(items);
    std::vector<test::ZipEntry> entries = x.entries();
    for (test::ZipEntry& e : entries) {
        e.stored = true;
    }
    return test::MakeZip(entries);
}

// A version 4 compound file (4,096-byte sectors, so that a FAT of 109 sectors covers 400 MiB) of one
// stream "Workbook": header, stream sectors, directory, FAT.
QByteArray bigCompoundFile(const QByteArray& stream) {
    constexpr quint32 kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
    const quint32 streamSectors = quint32((stream.size() + 4095) / 4096);
    const quint32 fatSectors = (streamSectors + 1 + 1023) / 1023;  // stream, directory, the FAT itself
    QByteArray header(4096, '\0');
    std::memcpy(header.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.replace(0x18, 10,
                   test::U16(0x3E) + test::U16(4) + test::U16(0xFFFE) + test::U16(12) + test::U16(6));
    for (auto [at, v] :
         {std::pair{0x2C, fatSectors}, {0x30, streamSectors}, {0x38, 4096u}, {0x3C, kEnd}, {0x44, kEnd}}) {
        test::SetU32(header, at, v);
    }
    for (quint32 i = 0; i < 109; ++i) {
        test::SetU32(header, 0x4C + 4 * i, i < fatSectors ? streamSectors + 1 + i : kFree);
    }
    QByteArray directory(4096, '\0');
    for (const auto& [id, name, type, start, size] :
         {std::tuple{0, QStringLiteral("Root Entry"), 5, kEnd, 0u},
          {1, QStringLiteral("Workbook"), 2, 0u, quint32(stream.size())}}) {
        char* e = directory.data() + 128 * id;
        for (int i = 0; i < name.size(); ++i) {
            qToLittleEndian<quint16>(name[i].unicode(), e + 2 * i);
        }
        qToLittleEndian<quint16>(quint16((name.size() + 1) * 2), e + 0x40);
        e[0x42] = char(type);
        for (auto [at, v] : {std::pair{0x44, kFree},
                             {0x48, kFree},
                             {0x4C, id == 0 ? 1u : kFree},
                             {0x74, start},
                             {0x78, size}}) {
            qToLittleEndian<quint32>(v, e + at);
        }
    }
    QByteArray fat;
    for (quint32 i = 0; i < fatSectors * 1024; ++i) {
        fat += test::U32(i + 1 < streamSectors                     ? i + 1
                         : i < streamSectors || i == streamSectors ? kEnd
                         : i <= streamSectors + fatSectors         ? 0xFFFFFFFD
                                                                   : kFree);
    }
    return header + stream + QByteArray(qsizetype(streamSectors) * 4096 - stream.size(), '\0') + directory +
           fat;
}

// An .xls of one sheet whose A1 names shared string `index`, its SST `strings` (whole strings, split
// into CONTINUE records of at most 8,220 bytes at string bounds `unit` bytes apart).
QByteArray xlsWithStrings(quint32 count, const QByteArray& strings, int unit, quint32 index) {
    const qsizetype chunk = 8220 / unit * unit;
    QByteArray sst = test::BiffRecord(0x00FC, test::U32(count) + test::U32(count) + strings.left(chunk - 8));
    for (qsizetype at = chunk - 8; at < strings.size(); at += chunk) {
        sst += test::BiffRecord(0x003C, strings.mid(at, chunk));
    }
    return bigCompoundFile(test::Biff8(
        {{QStringLiteral("Sheet1"), test::BiffRecord(0x00FD, test::BiffCell(1, 1) + test::U32(index))}},
        sst));
}

// Opens the file and reads cell A1 of Sheet1: the time, the extra peak memory and the outcome.
void readA1(benchmark::State& state, const QString& path) {
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the workbook");
        return;
    }
    qint64 extra = 0;
    int error = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const qint64 before = peakResident();
        state.ResumeTiming();
        error = test::ErrorNumber([&] {
            benchmark::DoNotOptimize(openWorkbook(path)->worksheet(QStringLiteral("Sheet1"))->cellText(1, 1));
        });
        state.PauseTiming();
        extra = std::max(extra, peakResident() - before);
        state.ResumeTiming();
    }
    state.counters["extra_MiB"] = static_cast<double>(extra) / (1024 * 1024);
    state.counters["error"] = error;
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}

constexpr quint32 kLastLetIn = 4 * 1024 * 1024 - 1;

void BM_SharedStrings47MillionXlsx(benchmark::State& state) {
    const quint32 index = state.range(0) != 0 ? 46'999'999 : kLastLetIn;
    readA1(state, benchFile(QStringLiteral("sst-47M-%1.xlsx").arg(index), [&] {
               return storedXlsx(
                   "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>" + QByteArray::number(index) + "</v></c></row>",
                   QByteArray("<si/>").repeated(47'000'000));
           }));
}
void BM_SharedStrings80MillionXls(benchmark::State& state) {
    const quint32 index = state.range(0) != 0 ? 79'999'999 : kLastLetIn;
    readA1(state, benchFile(QStringLiteral("sst-80M-%1.xls").arg(index), [&] {
               return xlsWithStrings(80'000'000, QByteArray(240'000'000, '\0'), 3, index);
           }));
}
void BM_SharedStringsShortXls(benchmark::State& state) {
    readA1(state, benchFile(QStringLiteral("sst-short.xls"), [] {
               return xlsWithStrings(kLastLetIn + 1,
                                     (test::U16(7) + '\0' + "payee12").repeated(kLastLetIn + 1), 10,
                                     kLastLetIn);
           }));
}

// 500 payees, then 999,500 rows with a number in column F only.
QString tailWorkbook() {
    const QString path = QDir::temp().filePath(QStringLiteral("velmora-bench/tail.xlsx"));
    if (QFileInfo(path).size() > 0) {
        return path;
    }
    lxw_workbook_options options = {LXW_TRUE, nullptr, LXW_FALSE};
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    for (int r = 1; r < 1'000'000; ++r) {
        if (r <= 500) {
            worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 0, nameOf(r + 1).toUtf8().constData(),
                                   nullptr);
            worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 1, 100000 + r, nullptr);
            worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 2, "北京市海淀区中关村大街1号", nullptr);
            worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 3, r / 100.0, nullptr);
        }
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 5, r, nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR ? path : QString();
}

void BM_TailScan(benchmark::State& state) {
    const QString path = tailWorkbook();
    int unread = -1;
    for (auto _ : state) {
        std::unique_ptr<Worksheet> sheet = openWorkbook(path)->worksheet(QStringLiteral("Sheet1"));
        for (int r = kFirstRow; r < kFirstRow + kRowsRead; ++r) {
            for (int c : kColumns) {
                benchmark::DoNotOptimize(sheet->cellText(r, c));
            }
        }
        unread = sheet->nextRowWithData(kFirstRow + kRowsRead - 1, {1, 3, 2, 4});
    }
    state.counters["unread_row"] = unread;
}

void BM_InflateTail(benchmark::State& state) {
    const QString path = tailWorkbook();
    qint64 bytes = 0;
    for (auto _ : state) {
        zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
        zip_file_t* file = zip_fopen(archive, "xl/worksheets/sheet1.xml", 0);
        static char buffer[1 << 16];
        bytes = 0;
        for (zip_int64_t n; (n = zip_fread(file, buffer, sizeof buffer)) > 0;) {
            bytes += n;
        }
        zip_fclose(file);
        zip_discard(archive);
    }
    state.counters["xml_MB"] = static_cast<double>(bytes) / 1e6;
}

// ` a0="" a1="" ...`: `count` attributes, each named with `prefix`.
QByteArray manyAttributes(int count, const QByteArray& prefix = {}) {
    QByteArray a;
    for (int i = 0; i < count; ++i) {
        a += ' ' + prefix + 'a' + QByteArray::number(i) + "=\"\"";
    }
    return a;
}

QByteArray odsOfTable(const QByteArray& rows) {
    return test::MakeOds("<table:table table:name=\"Sheet1\">" + rows + "</table:table>");
}

void BM_AttributesXlsx(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    readA1(state, benchFile(QStringLiteral("attributes-%1.xlsx").arg(count), [count] {
               test::Xlsx x;
               x.sheets = {
                   {QStringLiteral("Sheet1"), test::SheetXml("<row r=\"1\"><c r=\"A1\"" +
                                                             manyAttributes(count) + "><v>1</v></c></row>")}};
               return test::MakeZip(x.entries());
           }));
}

void BM_AttributesOds(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    readA1(state, benchFile(QStringLiteral("attributes-%1.ods").arg(count), [count] {
               return odsOfTable(
                   "<table:table-row><table:table-cell office:value-type=\"float\" "
                   "office:value=\"1\"" +
                   manyAttributes(count) + "/></table:table-row>");
           }));
}

// 100,000 nested elements after the first row, each declaring two namespaces, each named by the
// prefix "d" that the root declares.
QByteArray nested(const QByteArray& first) {
    QByteArray xml = first;
    for (int i = 0; i < 100'000; ++i) {
        xml += "<d:x xmlns:a=\"urn:a" + QByteArray::number(i) + "\" xmlns:b=\"urn:b\">";
    }
    return xml + QByteArray("</d:x>").repeated(100'000);
}

void BM_NestedNamespacesXlsx(benchmark::State& state) {
    readA1(state, benchFile(QStringLiteral("nested-namespaces.xlsx"), [] {
               test::Xlsx x;
               x.sheets = {{QStringLiteral("Sheet1"),
                            test::SheetXml(nested("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"),
                                           "xmlns:d=\"urn:deep\"")}};
               return test::MakeZip(x.entries());
           }));
}

void BM_NestedNamespacesOds(benchmark::State& state) {
    readA1(state, benchFile(QStringLiteral("nested-namespaces.ods"), [] {
               QByteArray ods =
                   odsOfTable("<table:table-row xmlns:d=\"urn:deep\">" +
                              nested("<table:table-cell office:value-type=\"float\" office:value=\"1\"/>") +
                              "</table:table-row>");
               return ods;
           }));
}

void BM_AttributesAtTheBound(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool bound = count == 255;
    readA1(state, benchFile(QStringLiteral("attributes-at-the-bound-%1.xlsx").arg(count), [=] {
               QByteArray root = "xmlns:d=\"urn:deep\"";
               for (int i = 0; bound && i < 254; ++i) {
                   root += " xmlns:n" + QByteArray::number(i) + "=\"urn:n" + QByteArray::number(i) + '"';
               }
               // A comment among the rows sends the sheet to the XML reader whole.
               QByteArray rows = "<row r=\"1\"><!-- --><c r=\"A1\"><v>1</v></c></row>";
               const QByteArray cell = "<c" + manyAttributes(count, bound ? "d:" : "") + "><v>2</v></c>";
               for (int r = 2; r <= 41; ++r) {
                   rows += "<row r=\"" + QByteArray::number(r) + "\">" + cell.repeated(100 * 255 / count) +
                           "</row>";
               }
               test::Xlsx x;
               x.sheets = {{QStringLiteral("Sheet1"), test::SheetXml(rows, root)}};
               std::vector<test::ZipEntry> entries = x.entries();
               for (test::ZipEntry& e : entries) {
                   e.stored = true;
               }
               return test::MakeZip(entries);
           }));
}

void BM_CsvLongLine(benchmark::State& state) {
    const bool fields = state.range(0) != 0;
    readA1(state, benchFile(QStringLiteral("long-line-%1.csv").arg(fields ? "fields" : "cell"), [fields] {
               return fields ? QByteArray("x,").repeated(100'000'000) : QByteArray(200'000'000, 'x');
           }));
}

}  // namespace

BENCHMARK(BM_Read500RowsFrom600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read500RowsFromAMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TailScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateTail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedStrings47MillionXlsx)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedStrings80MillionXls)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedStringsShortXls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributesXlsx)->Arg(50'000)->Arg(100'000)->Arg(300'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributesOds)->Arg(200'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NestedNamespacesXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NestedNamespacesOds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvLongLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributesAtTheBound)->Arg(255)->Arg(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
