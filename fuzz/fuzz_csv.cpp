// Fuzzes the reader of comma- and tab-separated text (.csv, .txt), from the bytes up.

#include "csv_reader.h"
#include "read_all.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, [](const QByteArray& bytes) {
        return velmora::OpenCsvWorkbook(std::make_shared<const QByteArray>(bytes), QStringLiteral("Sheet1"));
    });
    return 0;
}
