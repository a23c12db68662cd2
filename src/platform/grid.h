#pragma once

#include <QString>
#include <vector>

class QTableWidget;

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

// The grid over a QTableWidget of rows - 1 by cols - 1 cells: row 0 is the horizontal header,
// column 0 the vertical header, cell (0, 0) the corner.
class TableWidgetGrid final : public Grid {
public:
    explicit TableWidgetGrid(QTableWidget* table) : table_(table) {}
    int rows() const override;
    int cols() const override;
    QString text(int row, int col) const override;
    void setText(int row, int col, const QString& text) override;

private:
    QTableWidget* table_;
};

}  // namespace velmora
