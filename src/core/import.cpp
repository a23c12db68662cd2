#include "import.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "blanks.h"
#include "number_text.h"
#include "rounding.h"

namespace velmora {

std::int16_t ColumnNumber(const QString& letters) {
    const QString s = TrimBlanks(letters);
    // Codes of the single-byte code page: ASCII is the same everywhere; anything else (a pasted
    // double-byte character) counts as no column.
    for (const QChar c : s) {
        if (c.unicode() > 0x7F) {
            return 0;
        }
    }
    switch (s.size()) {
        case 1:
            return static_cast<std::int16_t>(s.at(0).unicode() - 64);
        case 2:
            return static_cast<std::int16_t>((s.at(0).unicode() - 64) * 26 + (s.at(1).unicode() - 64));
        default:
            return 0;
    }
}

void ClearCells(Grid& grid, std::int16_t firstRow, std::int16_t lastRow, std::int16_t firstCol,
                std::int16_t lastCol) {
    const int rowEnd = std::min<int>(lastRow, kMaxDataRows);
    const int colEnd = std::min<int>(lastCol, kDataColumns);
    for (int r = firstRow; r <= rowEnd; ++r) {
        for (int c = firstCol; c <= colEnd; ++c) {
            grid.setText(r, c, QString());
        }
    }
}

namespace {

// Where reading left off, told through the outcome: data further down the worksheet.
int findUnreadRow(Worksheet& sheet, int lastSheetRow, const std::array<std::int16_t, 4>& columns) {
    std::vector<int> wanted;
    for (const std::int16_t c : columns) {
        if (c >= 1 && c <= sheet.maxColumn() && std::find(wanted.begin(), wanted.end(), c) == wanted.end()) {
            wanted.push_back(c);
        }
    }
    if (wanted.empty() || lastSheetRow >= sheet.maxRow()) {
        return 0;
    }
    try {
        return sheet.nextRowWithData(std::max(lastSheetRow, 0), wanted);
    } catch (const std::exception&) {
        return -1;  // the rest of the file is unreadable: say it was not checked
    }
}

}  // namespace

QString ColumnLetters(int column) {
    QString letters;
    for (; column > 0; column = (column - 1) / 26) {
        letters.prepend(QChar(u'A' + (column - 1) % 26));
    }
    return letters;
}

ImportOutcome ImportWorkbook(const ImportRequest& request, Grid& grid, const WorkbookOpener& open) {
    const std::int16_t rowOffset = request.rowOffset;
    const auto& columns = request.columns;
    ImportOutcome outcome;
    outcome.firstSheetRow = 1 + rowOffset;
    ClearCells(grid, 1, kMaxDataRows, 1, kDataColumns);
    int allowance = kBlankRowAllowance;
    QString told;  // what the reader says of the failure in the operator's words
    try {
        std::unique_ptr<Workbook> book = open(request.path);
        if (!book) {
            throw AutomationError(kErrorNotWorkbook, QStringLiteral("no workbook"));
        }
        // The worksheet is resolved once and read forward; the readers make a read of row r cost
        // no more than the file up to row r.
        std::unique_ptr<Worksheet> sheet = book->worksheet(request.sheet);
        if (!sheet) {
            throw AutomationError(kErrorNoSuchSheet, request.sheet);
        }
        const int lastGridRow = std::min(grid.rows() - 1, kMaxDataRows);
        int i = 1;
        for (; i <= lastGridRow; ++i) {
            const int sheetRow = i + rowOffset;
            if (sheetRow > std::numeric_limits<std::int16_t>::max()) {
                throw AutomationError(kErrorOverflow, QStringLiteral("row number overflow"));
            }
            bool blank = true;
            const int cols = std::min(grid.cols() - 1, kDataColumns);
            for (int j = 1; j <= cols; ++j) {
                const int column = columns[static_cast<std::size_t>(j - 1)];
                const QString text = TrimBlanks(sheet->cellText(sheetRow, column));
                grid.setText(i, j, text);
                if (sheet->isUncomputedFormula(sheetRow, column)) {
                    outcome.doubts.insert({i, j});
                }
                blank = blank && text.isEmpty();
            }
            if (blank) {
                --allowance;
                ++outcome.blankRows;
            }
            outcome.rowsRead = i;
            if (allowance == 0) {
                outcome.stoppedAtBlankRows = true;
                break;
            }
        }
        outcome.unreadRow = findUnreadRow(*sheet, outcome.rowsRead + rowOffset, columns);
    } catch (const AutomationError& e) {
        outcome.error = e.number;
        told = e.forOperator ? e.detail : QString();
    } catch (const std::bad_alloc&) {
        outcome.error = kErrorOutOfMemory;
    } catch (const std::exception&) {
        outcome.error = kErrorInternal;
    }
    if (outcome.error != 0) {
        outcome.message = ImportErrorMessage(outcome.error);
        if (!told.isEmpty()) {
            outcome.message += QStringLiteral("\n") + told + QStringLiteral("。");
        }
        outcome.unreadRow = 0;
    }
    return outcome;
}

QString ImportErrorMessage(int errorNumber) {
    switch (errorNumber) {
        case kErrorBadPath:
            return QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！");
        case kErrorNoSuchSheet:
            return QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！");
        case kErrorNotWorkbook:
        case kErrorNoWorksheets:
            return QStringLiteral("文件类型不对，请选择Excel文档！");
        case kErrorCellOutOfRange:
            return QStringLiteral("输入表格列号超界，请重新输入！");
        default:
            return QStringLiteral("未知错误，错误号：") + NumberText(errorNumber) +
                   QStringLiteral("\u3000请检查输入值！");
    }
}

std::int16_t ImportOutcome::result() const {
    if (error >= std::numeric_limits<std::int16_t>::min() &&
        error <= std::numeric_limits<std::int16_t>::max()) {
        return static_cast<std::int16_t>(error);
    }
    return error > 0 ? std::numeric_limits<std::int16_t>::max() : std::numeric_limits<std::int16_t>::min();
}

void CleanRows(Grid& grid, int rule, int rowCount, CellDoubts* doubts) {
    const int lastCol = grid.cols() - 1;
    if (rule < 0 || rule > lastCol - 1 || rule > kDataColumns - 1) {
        return;
    }
    const int col = rule + 1;
    rowCount = std::min(rowCount, grid.rows() - 1);
    if (doubts) {
        // The kept rows end up first, in their order.
        CellDoubts moved;
        int kept = 0;
        for (int i = 1; i <= rowCount; ++i) {
            if (grid.text(i, col).isEmpty()) {
                continue;
            }
            ++kept;
            for (int c = 1; c <= kDataColumns; ++c) {
                if (doubts->count({i, c})) {
                    moved.insert({kept, c});
                }
            }
        }
        for (const auto& [row, column] : *doubts) {
            if (row > rowCount) {
                moved.insert({row, column});
            }
        }
        *doubts = std::move(moved);
    }
    // First pass: a row without the rule's item is blanked whole.
    for (int i = 1; i <= rowCount; ++i) {
        if (grid.text(i, col).isEmpty()) {
            ClearCells(grid, static_cast<std::int16_t>(i), static_cast<std::int16_t>(i), 1, kDataColumns);
        }
    }
    // Second pass: each kept row moves up into the first blank row above it, in order.
    for (int i = 1; i <= rowCount; ++i) {
        if (!grid.text(i, col).isEmpty()) {
            continue;
        }
        int j = i;
        while (j <= rowCount && grid.text(j, col).isEmpty()) {
            ++j;
        }
        if (j > rowCount) {
            break;  // nothing below is kept: every row from here on is blank already
        }
        for (int c = 1; c <= std::min(lastCol, kDataColumns); ++c) {
            grid.setText(i, c, grid.text(j, c));
        }
        ClearCells(grid, static_cast<std::int16_t>(j), static_cast<std::int16_t>(j), 1, kDataColumns);
    }
}

std::vector<FieldNote> DoubtNotes(const CellDoubts& doubts, int row) {
    std::vector<FieldNote> notes;
    for (const BatchColumn& column : kBatchColumns) {
        if (doubts.count({row, column.gridColumn})) {
            notes.push_back(
                {column.field, FieldName(column.field) + QStringLiteral("是公式，工作簿里没有算好的结果，"
                                                                        "请在表格程序中打开并保存后再导入")});
        }
    }
    return notes;
}

int HandOverCount(const Grid& grid) {
    int n = std::min(grid.rows() - 1, kMaxDataRows);
    // The amount is not looked at: rows at the end holding nothing but an amount are not counted.
    while (n >= 1 && grid.text(n, GridColumnOf(Field::PayeePostcode)).isEmpty() &&
           grid.text(n, GridColumnOf(Field::PayeeAddress)).isEmpty() &&
           grid.text(n, GridColumnOf(Field::PayeeName)).isEmpty()) {
        --n;
    }
    return n;
}

int LargeStep(int count) {
    // A count of 0 to 3 rounds to 0, which a scroll bar does not take as a step.
    return std::max(RoundToInt32(count / 6.0).value_or(1), 1);
}

QString UnreadDataNotice(const ImportOutcome& outcome) {
    if (outcome.error != 0 || outcome.unreadRow == 0) {
        return {};
    }
    const int payees = outcome.rowsRead - outcome.blankRows;
    QString read = QStringLiteral("已读入 %1 个收款人").arg(payees);
    if (outcome.blankRows > 0) {
        read += QStringLiteral("，另有 %1 个空行").arg(outcome.blankRows);
    }
    read += QStringLiteral("（工作表第 %1～%2 行）")
                .arg(outcome.firstSheetRow)
                .arg(outcome.firstSheetRow + outcome.rowsRead - 1);
    const QString why = outcome.stoppedAtBlankRows
                            ? QStringLiteral("读到第 %1 个空行即停止").arg(kBlankRowAllowance)
                            : QStringLiteral("最多读入 %1 行").arg(kMaxDataRows);
    if (outcome.unreadRow < 0) {
        return QStringLiteral("%1，%2；其下的内容无法读取，请检查工作表。").arg(read, why);
    }
    return QStringLiteral("%1，%2。工作表第 %3 行起还有数据未读入！").arg(read, why).arg(outcome.unreadRow);
}

}  // namespace velmora
