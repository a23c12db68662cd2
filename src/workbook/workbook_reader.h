#pragma once

#include <QString>
#include <QStringList>
#include <climits>
#include <deque>
#include <memory>
#include <vector>

#include "cell_text.h"
#include "workbook.h"

namespace velmora {

// The most text one row may hold in all its cells together (16,384 cells of 1,024 characters): a
// reader keeps one row in memory, and a file whose row holds more is refused as broken.
inline constexpr qsizetype kMaxRowTextLength = 16 * 1024 * 1024;

// The merged ranges of a worksheet. A cell a range covers, other than the range's first (top-left)
// cell, reads empty, as the spreadsheet program shows it. Cells are asked for going forward by row:
// each range enters when its top row is reached and leaves past its bottom row, so a cell costs the
// ranges that span its row. Ranges may not overlap: more ranges spanning one row than it has columns
// is a broken file (432), and so are more than kMaxRanges ranges.
class MergedRanges {
public:
    static constexpr size_t kMaxRanges = 256 * 1024;

    // A range by its corners, rows and columns counting from 1; a single cell hides nothing.
    void add(int firstRow, int firstCol, int lastRow, int lastCol);
    bool empty() const { return ranges_.empty(); }
    // Whether the cell is hidden under a range.
    bool hides(int row, int col);

private:
    struct Range {
        int top, left, bottom, right;
    };
    void moveTo(int row);

    std::vector<Range> ranges_;  // by top row once sorted
    bool sorted_ = true;
    size_t next_ = 0;            // the first range whose top row is not reached yet
    std::vector<Range> active_;  // the ranges spanning row_
    int row_ = 0;
};

// What the readers share: a worksheet read forward as blocks of rows, each block a run of rows with
// the same cells (one row in .xlsx and .xls; a repeated row in .ods). The reader delivers blocks in
// ascending order and keeps only the current one; a read of an earlier row starts again from the top.
class RowBlockWorksheet : public Worksheet {
public:
    RowBlockWorksheet(int maxRow, int maxColumn) : maxRow_(maxRow), maxColumn_(maxColumn) {}

    int maxRow() const final { return maxRow_; }
    int maxColumn() const final { return maxColumn_; }
    // The cell's text, empty when a merged range hides it.
    QString cellText(int row, int col) final;
    // Cheap for a cell of the current block; false for a cell a merged range hides.
    bool isUncomputedFormula(int row, int col) final;
    // Reads the blocks forward; a cell too long to read counts as data, a cell a merged range hides
    // does not.
    int nextRowWithData(int row, const std::vector<int>& columns) override;

protected:
    // Reads the next block after the current one and sets first_ and last_ to its rows; returns
    // false at the end of the sheet. Throws AutomationError 432 when the sheet turns out broken.
    virtual bool nextBlock() = 0;
    // The text of a column in the current block; throws AutomationError 14 for a cell too long.
    virtual QString blockCellText(int col) = 0;
    // Whether a column of the current block holds a formula whose result the file cannot vouch for.
    virtual bool blockUncomputedFormula(int col) = 0;
    // Back to before the first block.
    virtual void rewind() = 0;

    // The current block's rows; both kNoRow before the first block and after the last.
    static constexpr int kNoRow = INT_MAX;
    int first_ = 0;
    int last_ = 0;
    // The sheet's merged ranges; a reader that has them delivers blocks of one row.
    MergedRanges merged_;

    void checkReference(int row, int col) const;

private:
    // Moves forward (or back to the top and forward) until the current block ends at or after `row`.
    void seek(int row);

    int maxRow_;
    int maxColumn_;
    int previousLast_ = 0;  // the last row of the block before the current one
};

// A shared string table kept compactly: the characters in chunks of 1 MiB, each string in one chunk,
// and per string its start and length (6 bytes), so the table never needs more than about 88 MiB.
// A file whose table passes kMaxSharedStrings strings or kMaxSharedStringChars characters is refused
// as broken, when the reader gets there. A string longer than a cell can hold is kept as a mark.
inline constexpr qsizetype kMaxSharedStrings = 4 * 1024 * 1024;
inline constexpr qsizetype kMaxSharedStringChars = 32 * 1024 * 1024;

class SharedStringTable {
public:
    // Throws AutomationError 432 past the limits.
    void add(const BoundedText& text);
    qsizetype size() const { return static_cast<qsizetype>(lengths_.size()); }
    // The string at `index` (< size()); throws AutomationError 14 for one too long.
    QString at(qsizetype index) const;

private:
    static constexpr qsizetype kChunk = 512 * 1024;  // characters
    static constexpr quint16 kTooLong = 0xFFFF;
    std::vector<std::unique_ptr<char16_t[]>> chunks_;
    qsizetype used_ = kChunk;  // characters used in the last chunk
    std::deque<quint32> starts_;
    std::deque<quint16> lengths_;
};

// Finds the sheet of that name among `names`, letter case ignored: its index, or -1.
int FindSheet(const QStringList& names, const QString& name);

// Throws AutomationError 432 with the detail.
[[noreturn]] void ThrowBroken(const QString& detail);
// The same with a detail worded for the operator, who is shown it after the import's message.
[[noreturn]] void ThrowBrokenTelling(const QString& detail);

}  // namespace velmora
