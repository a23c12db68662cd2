// Workbook reading speed: what an import reads (500 rows of 4 columns, A C B D, from row 2) from an
// .xlsx of 600 rows and from one of 1,000,000 rows with shared strings. Reading stops where the import
// stops, so the rows beyond barely matter.
// Targets: 1,000,000 rows in under 50 ms with under 30 MiB of extra memory; 600 rows in 5 ms at most.
// The workbooks are written with libxlsxwriter on the first run and kept in the temporary folder.

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "workbook.h"

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

}  // namespace

BENCHMARK(BM_Read500RowsFrom600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read500RowsFromAMillion)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
