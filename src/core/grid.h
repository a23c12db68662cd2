#pragma once

#include <QString>
#include <vector>

namespace velmora {

// A grid of text cells addressed by row and column, as the batch grid is: row 0 holds the headings
// and column 0 the row numbers, data cells start at (1, 1).
class Grid {
public:
    virtual ~Grid() = default;
    virtual int rows() const = 0;
    virtual int cols() const = 0;
    // The text of a cell; "" outside the grid.
    virtual QString text(int row, int col) const = 0;
    // Sets the text of a cell; ignored outside the grid.
    virtual void setText(int row, int col, const QString& text) = 0;
};

// Cells in memory (the command line's grid, and tests).
class MemoryGrid final : public Grid {
public:
    MemoryGrid(int rows, int cols);
    int rows() const override { return rows_; }
    int cols() const override { return cols_; }
    QString text(int row, int col) const override;
    void setText(int row, int col, const QString& text) override;

private:
    int rows_;
    int cols_;
    std::vector<QString> cells_;
};

}  // namespace velmora
