#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velmora {

// A failure of the spreadsheet layer, numbered as the automation errors the import turns into its
// messages.
struct AutomationError : std::runtime_error {
    AutomationError(int number, const QString& detail, bool forOperator = false)
        : std::runtime_error(detail.toStdString()),
          number(number),
          detail(detail),
          forOperator(forOperator) {}
    int number;
    QString detail;    // for logs and tests; the operator sees the import's message
    bool forOperator;  // the detail is worded for the operator too, and shown after the message
};

// The error numbers.
inline constexpr int kErrorBadPath = 5;             // no workbook could be opened from the path
inline constexpr int kErrorNoSuchSheet = 9;         // no worksheet of that name
inline constexpr int kErrorNotWorkbook = 432;       // the file does not open as a workbook
inline constexpr int kErrorNoWorksheets = 438;      // it opens, but has no worksheets
inline constexpr int kErrorCellOutOfRange = 1004;   // a cell reference outside the worksheet
inline constexpr int kErrorCellTooLong = 14;        // the cell read holds more than a cell can hold
inline constexpr int kErrorPasswordProtected = 70;  // the workbook is encrypted (opening needs a password)

// One worksheet, read forward cheaply: a read of row r needs at most the file up to row r.
class Worksheet {
public:
    virtual ~Worksheet() = default;

    // The last row and column a reference may name (1,048,576 and 16,384; 65,536 and 256 for .xls).
    virtual int maxRow() const = 0;
    virtual int maxColumn() const = 0;

    // A cell's value as text, untrimmed: text as it stands; a number in its shortest general form
    // (at most 15 significant digits, "0.5", "1E+15"); "True"/"False"; an error cell as its error
    // text ("#N/A"); "" for an empty cell. Rows and columns count from 1. Throws AutomationError
    // 1004 for a reference outside the worksheet and 432 when the file turns out broken.
    virtual QString cellText(int row, int col) = 0;

    // Whether the cell holds a formula whose result the file cannot vouch for: the workbook asks to be
    // recalculated when it is opened, or the formula cell holds no cached result. cellText then gives
    // what the file holds (often 0 or ""), not what the spreadsheet program would show.
    virtual bool isUncomputedFormula(int row, int col) = 0;

    // The first row after `row` holding a non-blank cell in one of `columns` (a cell whose text is not
    // empty once its U+0020 spaces are trimmed), or 0 when there is none. Rows the file leaves out, and
    // repeated rows, are passed over without cost. Throws like cellText (1004 for a column outside the
    // worksheet).
    virtual int nextRowWithData(int row, const std::vector<int>& columns) = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    // The worksheet of that name, letter case ignored; a name of digits is a name, never a position.
    // Throws AutomationError 9 when there is none, 438 when the workbook has no worksheets at all.
    virtual std::unique_ptr<Worksheet> worksheet(const QString& name) = 0;
    // The worksheets' names in workbook order (chart and macro sheets left out). For .ods this reads
    // through the whole file; worksheet() stops at the sheet it finds.
    virtual QStringList sheetNames() const = 0;
};

// Opens a workbook (.xlsx/.xlsm, .xls, .ods), the format recognised from the file's content, not its
// name; a file that is none of them is read as comma- or tab-separated text when its name ends in
// .csv or .txt, decoded strictly (text in no coding the reader knows is broken, 432, its detail naming
// the line: csv_reader.h). Throws AutomationError 5 when no file can be read from the path (empty path,
// missing, unreadable, a folder, a FIFO or device: only regular files are opened), 432 when it is not a
// workbook or is broken, 438 when it is a container of another kind of document, 70 when it is
// encrypted. Files are untrusted: a file that would make the reader inflate or allocate beyond fixed
// bounds counts as broken (432), whenever the reader meets it; a cell longer than a cell can hold
// throws 14 when that cell is read.
std::unique_ptr<Workbook> openWorkbook(const QString& path);

// The same from the file's bytes in memory (tests, fuzzing); `suffix` stands for the file name's
// ("csv", "txt") where the content alone cannot tell.
std::unique_ptr<Workbook> openWorkbookData(const QByteArray& bytes, const QString& suffix = {});

}  // namespace velmora
