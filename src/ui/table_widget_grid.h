#pragma once

#include "grid.h"

class QTableWidget;

namespace velmora {

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
