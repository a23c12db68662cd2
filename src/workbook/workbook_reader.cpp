#include "workbook_reader.h"

#include <algorithm>

namespace velmora {

namespace {

bool isBlank(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

}  // namespace

void RowBlockWorksheet::checkReference(int row, int col) const {
    if (row < 1 || row > maxRow_ || col < 1 || col > maxColumn_) {
        throw AutomationError(
            kErrorCellOutOfRange,
            QStringLiteral("cell reference outside the worksheet: row %1, column %2").arg(row).arg(col));
    }
}

void RowBlockWorksheet::seek(int row) {
    // A row in a block already passed (or in the gap before it) needs a fresh start; a row in the gap
    // between the previous block and the current one is simply empty.
    if (row <= previousLast_) {
        rewind();
        first_ = 0;
        last_ = 0;
        previousLast_ = 0;
    }
    while (last_ < row) {
        previousLast_ = last_;
        if (!nextBlock()) {
            first_ = kNoRow;
            last_ = kNoRow;
        } else if (first_ <= previousLast_ || last_ < first_ || last_ > maxRow_) {
            ThrowBroken(QStringLiteral("rows out of order or out of range at row %1").arg(first_));
        }
    }
}

QString RowBlockWorksheet::cellText(int row, int col) {
    checkReference(row, col);
    if (merged_.hides(row, col)) {
        return {};
    }
    seek(row);
    return row >= first_ && row <= last_ ? blockCellText(col) : QString();
}

bool RowBlockWorksheet::isUncomputedFormula(int row, int col) {
    checkReference(row, col);
    if (merged_.hides(row, col)) {
        return false;
    }
    seek(row);
    return row >= first_ && row <= last_ && blockUncomputedFormula(col);
}

int RowBlockWorksheet::nextRowWithData(int row, const std::vector<int>& columns) {
    for (int col : columns) {
        checkReference(1, col);
    }
    for (int r = std::max(row, 0) + 1; r <= maxRow_;) {
        seek(r);
        if (first_ == kNoRow) {
            return 0;
        }
        if (r < first_) {
            r = first_;
            continue;
        }
        for (int col : columns) {
            if (merged_.hides(r, col)) {
                continue;
            }
            try {
                if (!isBlank(blockCellText(col))) {
                    return r;
                }
            } catch (const AutomationError& e) {
                if (e.number != kErrorCellTooLong) {
                    throw;
                }
                return r;  // too long to read, but data all the same
            }
        }
        if (last_ >= maxRow_) {
            return 0;
        }
        r = last_ + 1;
    }
    return 0;
}

void MergedRanges::add(int firstRow, int firstCol, int lastRow, int lastCol) {
    const Range range{std::min(firstRow, lastRow), std::min(firstCol, lastCol), std::max(firstRow, lastRow),
                      std::max(firstCol, lastCol)};
    if (range.top == range.bottom && range.left == range.right) {
        return;
    }
    if (ranges_.size() >= kMaxRanges) {
        ThrowBroken(QStringLiteral("more than %1 merged ranges").arg(kMaxRanges));
    }
    sorted_ = sorted_ && (ranges_.empty() || ranges_.back().top <= range.top);
    ranges_.push_back(range);
    next_ = 0;
    active_.clear();
    row_ = 0;
}

bool MergedRanges::hides(int row, int col) {
    if (ranges_.empty()) {
        return false;
    }
    moveTo(row);
    return std::any_of(active_.cbegin(), active_.cend(), [row, col](const Range& r) {
        return col >= r.left && col <= r.right && (row != r.top || col != r.left);
    });
}

void MergedRanges::moveTo(int row) {
    if (!sorted_) {
        std::stable_sort(ranges_.begin(), ranges_.end(),
                         [](const Range& a, const Range& b) { return a.top < b.top; });
        sorted_ = true;
    }
    if (row < row_) {
        next_ = 0;
        active_.clear();
    }
    if (row == row_) {
        return;
    }
    row_ = row;
    while (next_ < ranges_.size() && ranges_[next_].top <= row) {
        active_.push_back(ranges_[next_++]);
    }
    active_.erase(
        std::remove_if(active_.begin(), active_.end(), [row](const Range& r) { return r.bottom < row; }),
        active_.end());
    // Ranges that do not overlap span a row in different columns.
    if (active_.size() > 16384) {
        ThrowBroken(QStringLiteral("merged ranges overlapping at row %1").arg(row));
    }
}

void SharedStringTable::add(const BoundedText& text) {
    if (size() >= kMaxSharedStrings) {
        ThrowBroken(QStringLiteral("more than %1 shared strings").arg(kMaxSharedStrings));
    }
    const qsizetype length = text.tooLong() ? 0 : text.text().size();
    if (used_ + length > kChunk) {
        if (static_cast<qsizetype>(chunks_.size() + 1) * kChunk > kMaxSharedStringChars) {
            ThrowBroken(
                QStringLiteral("shared strings of more than %1 characters").arg(kMaxSharedStringChars));
        }
        chunks_.push_back(std::make_unique<char16_t[]>(kChunk));
        used_ = 0;
    }
    std::copy_n(reinterpret_cast<const char16_t*>(text.text().constData()), length,
                chunks_.empty() ? nullptr : chunks_.back().get() + used_);
    starts_.push_back(static_cast<quint32>(static_cast<qsizetype>(chunks_.size() - 1) * kChunk + used_));
    lengths_.push_back(text.tooLong() ? kTooLong : static_cast<quint16>(length));
    used_ += length;
}

QString SharedStringTable::at(qsizetype index) const {
    const quint16 length = lengths_[static_cast<size_t>(index)];
    if (length == kTooLong) {
        ThrowCellTooLong();
    }
    if (length == 0) {
        return {};
    }
    const quint32 start = starts_[static_cast<size_t>(index)];
    return QString(reinterpret_cast<const QChar*>(chunks_[start / kChunk].get() + start % kChunk), length);
}

int FindSheet(const QStringList& names, const QString& name) {
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

void ThrowBroken(const QString& detail) {
    throw AutomationError(kErrorNotWorkbook, detail);
}

void ThrowBrokenTelling(const QString& detail) {
    throw AutomationError(kErrorNotWorkbook, detail, true);
}

}  // namespace velmora
