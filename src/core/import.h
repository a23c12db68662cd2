#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "batch_columns.h"
#include "form_check.h"
#include "grid.h"
#include "workbook.h"

namespace velmora {

// The batch grid: grid row n is record n; columns 1 to 4 hold payee name, payee address, payee
// postcode and amount as text.
inline constexpr int kMaxDataRows = 500;      // data rows of the batch grid
inline constexpr int kDataColumns = 4;        // data columns of the batch grid
inline constexpr int kBlankRowAllowance = 5;  // the import ends after this many blank rows in total

// Error numbers the import can report besides the workbook readers' own.
inline constexpr int kErrorOverflow = 6;     // a row number left the 16-bit range
inline constexpr int kErrorOutOfMemory = 7;  // the file asked for more memory than there is
inline constexpr int kErrorInternal = 51;    // any other failure inside the import

// What to read: the workbook, the worksheet's name, the worksheet row of grid row 1 less one, and
// the worksheet columns of payee name, address, postcode and amount.
struct ImportRequest {
    QString path;
    QString sheet;
    std::int16_t rowOffset = 1;
    std::array<std::int16_t, 4> columns{1, 3, 2, 4};
};

// Opens a workbook for the import: openWorkbook, or a stand-in in tests.
using WorkbookOpener = std::function<std::unique_ptr<Workbook>(const QString& path)>;

// The cells of the batch grid, by row and column, whose value the workbook cannot vouch for: formulas
// whose result was never computed, or that the workbook asks to compute again when it is opened.
using CellDoubts = std::set<std::pair<int, int>>;

// What an import did.
struct ImportOutcome {
    int error = 0;                    // 0: read to its end; else the error number that stopped it
    QString message;                  // the operator's message for that error
    int rowsRead = 0;                 // grid rows completed, blank rows included
    int blankRows = 0;                // of those, rows whose four cells were empty
    int firstSheetRow = 0;            // the worksheet row of grid row 1
    bool stoppedAtBlankRows = false;  // reading ended at the fifth blank row rather than at row 500
    int unreadRow = 0;  // the first worksheet row below the rows read that still holds data in one of
                        // the four columns; 0 when there is none, -1 when the rest could not be checked
    CellDoubts doubts;  // cells read whose value is no computed result

    // The import's 16-bit result: 0 when it ran to its end, else the error number (one outside the
    // 16-bit range still reads as nonzero).
    std::int16_t result() const;
};

// Column letters to a worksheet column number: blanks at both ends removed, then one letter gives
// its code minus 64 (A 1, Z 26), two letters (first - 64) * 26 + (second - 64) (AA 27, IV 256), any
// other length 0. No case folding: a small a gives 33. A character outside ASCII gives 0.
std::int16_t ColumnNumber(const QString& letters);

// A worksheet column's letters: 1 A, 27 AA, 16384 XFD.
QString ColumnLetters(int column);

// Blanks rows firstRow to min(lastRow, 500) in columns firstCol to min(lastCol, 4), row by row.
void ClearCells(Grid& grid, std::int16_t firstRow, std::int16_t lastRow, std::int16_t firstCol,
                std::int16_t lastCol);

// Blanks the data area, then copies the four columns from worksheet row i + rowOffset into grid row
// i as text with U+0020 blanks trimmed at both ends, from row 1 to row 500, and ends after the fifth
// blank row in total. On a failure the cells already written stay, and the outcome says how many rows
// were completed and carries the operator's message; showing it is the caller's.
ImportOutcome ImportWorkbook(const ImportRequest& request, Grid& grid,
                             const WorkbookOpener& open = openWorkbook);

// The operator's message for an import error number.
QString ImportErrorMessage(int errorNumber);

// Drops the rows 1 to rowCount whose column rule + 1 is empty, moving the kept rows up in their
// order; the rows freed at the bottom end blank. A rule outside 0 to 3 does nothing. Column 0 never
// changes. The doubts given move with their rows and go with the rows dropped.
void CleanRows(Grid& grid, int rule, int rowCount, CellDoubts* doubts = nullptr);

// Why a record cannot print as its cells read: one note for each doubtful cell of grid row `row`.
std::vector<FieldNote> DoubtNotes(const CellDoubts& doubts, int row);

// The record count "导　入" hands to the main window: the last row with a payee, an address or a
// postcode (rows holding nothing but an amount at the end are not counted); 0 for an empty grid.
int HandOverCount(const Grid& grid);

// The navigator's large step for a count: count / 6 rounded half to even, at least 1.
int LargeStep(int count);

// The line that tells the operator what the import left out, or "" when it left nothing out.
QString UnreadDataNotice(const ImportOutcome& outcome);

}  // namespace velmora
