// Fuzzes the reader of OpenDocument spreadsheets (.ods), from the zip up.

#include "ods_reader.h"
#include "read_all.h"
#include "zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, [](const QByteArray& bytes) {
        using namespace velmora;
        return OpenOdsWorkbook(ZipArchive::openData(bytes));
    });
    return 0;
}
