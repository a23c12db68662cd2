// Fuzzes the reader of Office Open XML workbooks (.xlsx), from the zip up.

#include "read_all.h"
#include "xlsx_reader.h"
#include "zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, [](const QByteArray& bytes) {
        using namespace velmora;
        return OpenXlsxWorkbook(ZipArchive::openData(bytes));
    });
    return 0;
}
