#pragma once

#include <QWidget>
#include <memory>

#include "platform/grid.h"

class QTableWidget;

namespace velmora {

// The batch table window 表格. Its grid Table1 is the store of the batch: grid row n is record n,
// columns 1 to 4 payee name, payee address, payee postcode and amount, all text.
class BatchWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "表格";
    static constexpr int kGridRows = 501;  // the heading row and 500 data rows
    static constexpr int kGridCols = 5;    // the row numbers and 4 data columns

    explicit BatchWindow(QWidget* parent = nullptr);
    ~BatchWindow() override;

    QTableWidget* Table1() const { return table_; }
    // The grid's cells by row and column (TextMatrix).
    Grid& grid() { return *grid_; }

private:
    QTableWidget* table_;
    std::unique_ptr<Grid> grid_;
};

}  // namespace velmora
