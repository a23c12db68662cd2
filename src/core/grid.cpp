#include "grid.h"

namespace velmora {

MemoryGrid::MemoryGrid(int rows, int cols)
    : rows_(rows), cols_(cols), cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {}

QString MemoryGrid::text(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
        return {};
    }
    return cells_[static_cast<std::size_t>(row) * cols_ + col];
}

void MemoryGrid::setText(int row, int col, const QString& text) {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
        return;
    }
    cells_[static_cast<std::size_t>(row) * cols_ + col] = text;
}

}  // namespace velmora
