#pragma once

#include <cstdint>

#include "workbook.h"

namespace velmora::fuzz {

// Reads what an import would read from every sheet of the workbook `open` makes of the bytes, and
// more: the first rows of the first columns, the last cell, and the search for rows with data. Any
// AutomationError is a proper refusal; anything else (a crash, a sanitizer report, a leak, an
// allocation past the limits) is a fault.
template <typename Open>
void ReadAll(const uint8_t* data, size_t size, Open open) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        std::unique_ptr<Workbook> book = open(bytes);
        for (const QString& name : book->sheetNames()) {
            std::unique_ptr<Worksheet> sheet = book->worksheet(name);
            const auto cell = [&](int row, int col) {
                try {
                    sheet->cellText(row, col);
                } catch (const AutomationError& e) {
                    if (e.number != kErrorCellTooLong) {  // a cell too long refuses that cell alone
                        throw;
                    }
                }
            };
            for (int row = 1; row <= 40; ++row) {
                for (int col = 1; col <= 8; ++col) {
                    cell(row, col);
                }
            }
            cell(sheet->maxRow(), sheet->maxColumn());
            cell(2, 1);  // back to the top
            sheet->nextRowWithData(0, {1, 2, 3, 4});
            sheet->nextRowWithData(10, {sheet->maxColumn()});
        }
        book->worksheet(QStringLiteral("sheet1"));
    } catch (const AutomationError&) {
    }
}

}  // namespace velmora::fuzz
