// Fuzzes the reader of Excel 97-2003 and 5.0/95 workbooks (.xls), from the compound file up.

#include "read_all.h"
#include "xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::fuzz::ReadAll(data, size, [](const QByteArray& bytes) {
        using namespace velmora;
        return OpenXlsWorkbook(std::make_shared<const QByteArray>(bytes));
    });
    return 0;
}
