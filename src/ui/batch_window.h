#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "grid.h"
#include "import.h"
#include "main_window.h"
#include "print_plan.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;

namespace Ui {
class BatchWindow;
}

namespace velmora {

// The batch table window 表格. Its grid Table1 is the store of the batch: grid row n is record n,
// columns 1 to 4 payee name, payee address, payee postcode and amount, all text. The first paint
// after an OK in fOpen imports the workbook; "导　入" hands the batch to the main window and hides
// the window, which stays loaded for as long as the batch is in use; closing it ends the batch.
// Cells the form cannot print as they stand are flagged with the reason, records printed since the
// import are marked, and a line tells what the batch adds up to.
class BatchWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "表格";
    static constexpr int kGridRows = 501;  // the heading row and 500 data rows
    static constexpr int kGridCols = 5;    // the row numbers and 4 data columns

    explicit BatchWindow(QWidget* parent = nullptr);
    ~BatchWindow() override;

    QTableWidget* Table1() const;
    // The grid's cells by row and column (TextMatrix).
    Grid& grid() { return *grid_; }
    QRadioButton* Option1(int index) const;
    // 0 "取　消", 1 "导　入", 2 "清除不规范数据".
    QPushButton* Command1(int index) const;
    // The line telling what the batch adds up to.
    QLabel* summary() const;

    // The index of the selected cleaning rule, -1 when none is selected.
    std::int16_t selectedRule() const;

    // A Command1 button by index: 0 close, 1 hand the batch to the main window, 2 clean.
    void command1Click(int index);

    // Whether the batch has been handed to the main window and is in use.
    bool holdsBatch() const { return handedOver_; }
    // What the batch was imported from.
    const ImportRequest& importedRequest() const { return request_; }

    // The cells whose value the workbook could not vouch for, until the operator edits them.
    const CellDoubts& doubts() const { return doubts_; }

    // What became of each record since the import, from record 1.
    const std::vector<RecordState>& states() const { return states_; }
    void markRecord(int record, RecordState state);

    // The colours of a cell the form cannot print, and of one that prints otherwise than it reads.
    static QColor flagColour();
    static QColor warningColour();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpGrid();
    void runImport();
    // Takes a successful import into the grid: the batch it held is replaced, nothing is printed yet.
    void takeImport(const ImportRequest& request, const Grid& read, const ImportOutcome& outcome);
    void handOver();
    void refreshFlags();
    void refreshRowFlags(int row);
    void refreshSummary();
    void onItemChanged(QTableWidgetItem* item);

    std::unique_ptr<Ui::BatchWindow> ui_;
    std::unique_ptr<Grid> grid_;
    bool bulkUpdate_ = false;  // cells are being written in bulk: flags follow once at the end
    bool handedOver_ = false;
    ImportRequest request_;
    std::vector<RecordState> states_;
    CellDoubts doubts_;
};

// The selected button of Option1 in 表格 (0 to 3), or -1 when none is selected.
std::int16_t SelectedRule();

}  // namespace velmora
