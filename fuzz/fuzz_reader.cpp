// Fuzzes the workbook reader VELMORA_FUZZ_READER names, from the bytes up (one target a reader): .xlsx
// and .ods from the zip up, .xls from the compound file up, and comma- and tab-separated text.

#include <QBuffer>

#include "csv_reader.h"
#include "ods_reader.h"
#include "read_all.h"
#include "xls_reader.h"
#include "xlsx_reader.h"
#include "zip_archive.h"

namespace {

std::unique_ptr<velmora::Workbook> Open(const QByteArray& bytes) {
    using namespace velmora;
    const QByteArrayView reader = VELMORA_FUZZ_READER;
    if (reader == "xlsx" || reader == "ods") {
        auto zip = ZipArchive::openData(bytes);
        return reader == "xlsx" ? OpenXlsxWorkbook(std::move(zip)) : OpenOdsWorkbook(std::move(zip));
    }
    if (reader == "xls") {
        return OpenXlsWorkbook(std::make_shared<const QByteArray>(bytes));
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return OpenCsvWorkbook(std::move(buffer), QStringLiteral("Sheet1"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, Open);
    return 0;
}
