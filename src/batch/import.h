#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/grid.h"
#include "workbook.h"
#include "printing/form_content.h"

class QWidget;

namespace velmora {

// The table module: every operation on the batch grid. Grid row n is record n; columns 1 to 4 hold
// payee name, payee address, payee postcode and amount as text.

inline constexpr int kMaxDataRows = 500;      // data rows of the batch grid
inline constexpr int kDataColumns = 4;        // data columns of the batch grid
inline constexpr int kBlankRowAllowance = 5;  // the import ends after this many blank rows in total
inline constexpr int kColumnPayee = 1;
inline constexpr int kColumnAddress = 2;
inline constexpr int kColumnPostcode = 3;
inline constexpr int kColumnAmount = 4;

// Error numbers the import can report besides the workbook readers' own.
inline constexpr int kErrorOverflow = 6;     // a row number left the 16-bit range
inline constexpr int kErrorOutOfMemory = 7;  // the file asked for more memory than there is
inline constexpr int kErrorInternal = 51;    // any other failure inside the import

// The workbook opener the import calls: openWorkbook, unless a test installs a fake in its place.
using WorkbookOpener = std::function<std::unique_ptr<Workbook>(const QString& path)>;
WorkbookOpener& workbookOpener();

// Column letters to a worksheet column number: blanks at both ends removed, then one letter gives
// its code minus 64 (A 1, Z 26), two letters (first - 64) * 26 + (second - 64) (AA 27, IV 256), any
// other length 0. No case folding: a small a gives 33. A character outside ASCII gives 0.
std::int16_t ColumnNumber(const QString& letters);

// Blanks rows firstRow to min(lastRow, 500) in columns firstCol to min(lastCol, 4), row by row.
void ClearCells(Grid& grid, std::int16_t firstRow, std::int16_t lastRow, std::int16_t firstCol,
                std::int16_t lastCol);

// What an import did.
struct ImportOutcome {
    int error = 0;                    // 0: read to its end; else the error number that stopped it
    QString message;                  // the operator's message for that error
    int rowsRead = 0;                 // grid rows read, blank rows included (RowCount after a success)
    int firstSheetRow = 0;            // the worksheet row of grid row 1
    bool stoppedAtBlankRows = false;  // reading ended at the fifth blank row rather than at row 500
    int unreadRow = 0;                // the first worksheet row below the rows read that still holds data in
                                      // one of the four columns; 0 when there is none, -1 when the rest of
                                      // the worksheet could not be checked
};

// The import without a message box, for the command line and for ImportWorkbook: blanks the data
// area, then copies the four columns from worksheet row i + rowOffset into grid row i as text with
// U+0020 blanks trimmed at both ends, from row 1 to row 500, and ends after the fifth blank row in
// total. Sets RowCount after every row completed. On a failure the cells already written stay.
ImportOutcome ReadWorkbook(Grid& grid, const QString& path, const QString& sheetName, std::int16_t rowOffset,
                           const std::array<std::int16_t, 4>& columns);

// ReadWorkbook, and on a failure its message in a box with an OK button only, no icon and the
// application title. Returns 0 on success, else the (nonzero) error number. The whole outcome is
// copied to *outcome when asked for.
std::int16_t ImportWorkbook(Grid& grid, const QString& path, const QString& sheetName, std::int16_t rowOffset,
                            const std::array<std::int16_t, 4>& columns, QWidget* parent = nullptr,
                            ImportOutcome* outcome = nullptr);

// The operator's message for an import error number.
QString ImportErrorMessage(int errorNumber);

// Shows an import error message as the import does (OK only, no icon, application title).
void ShowImportError(QWidget* parent, int errorNumber);

// Drops the rows 1 to RowCount whose column rule + 1 is empty, moving the kept rows up in their
// order; the rows freed at the bottom end blank. A rule outside 0 to 3 does nothing. Column 0 and
// RowCount never change.
void CleanRows(Grid& grid, int rule);

// The record count "导　入" hands to the main window: the last row with a payee, an address or a
// postcode (rows holding nothing but an amount at the end are not counted); 0 for an empty grid.
int HandOverCount(const Grid& grid);

// Record `row` of the batch grid brought into the payee boxes over `common` (the boxes the operator
// typed once for the whole batch), as the main window's record change does: payee name, address and
// postcode as the grid holds them, the amount normalised by NormalisedAmount.
FormContent RecordForm(const Grid& grid, int row, const FormContent& common);

// The navigator's large step for a count: count / 6 rounded half to even, at least 1.
int LargeStep(int count);

// Why a cell cannot print as entered, or "" when it can. Postcodes must be six digits and amounts
// plain numbers with at most two decimals that the nine digit boxes hold. `recordRow` says the row
// holds a payee, an address or a postcode, so an empty postcode or amount there is flagged too.
QString CellProblem(int column, const QString& text, bool recordRow);

// The line that tells the operator what the import left out, or "" when it left nothing out.
QString UnreadDataNotice(const ImportOutcome& outcome);

}  // namespace velmora
