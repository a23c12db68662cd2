// Fuzzes the reader of comma- and tab-separated text (.csv, .txt), from the bytes up.

#include <QBuffer>

#include "csv_reader.h"
#include "read_all.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, [](const QByteArray& bytes) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        return velmora::OpenCsvWorkbook(std::move(buffer), QStringLiteral("Sheet1"));
    });
    return 0;
}
