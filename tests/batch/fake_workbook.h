#pragma once

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "batch/import.h"
#include "workbook.h"

namespace velmora::test {

// A workbook in memory standing in for the readers: worksheets of text cells, errors on demand, and
// a count of the cells read so tests can tell how far an import went.
struct FakeSheetData {
    QMap<QPair<int, int>, QString> cells;
    int maxRow = 1048576;
    int maxColumn = 16384;
    // A cell read at or below this row throws this error number (a file broken further down).
    int brokenFromRow = 0;
    int brokenError = kErrorNotWorkbook;

    void set(int row, int col, const QString& text) { cells.insert({row, col}, text); }
    // Fills row `row` with the four values in the columns of the default layout: A name, C address,
    // B postcode, D amount.
    void setRecord(int row, const QString& name, const QString& address, const QString& postcode,
                   const QString& amount) {
        set(row, 1, name);
        set(row, 3, address);
        set(row, 2, postcode);
        set(row, 4, amount);
    }
};

struct FakeWorkbookData {
    QMap<QString, FakeSheetData> sheets;  // keyed by the name as written
    std::optional<int> openError;         // openWorkbook throws this number
    int cellsRead = 0;
    int lastRowRead = 0;
    int opened = 0;
    QString lastPath;
};

class FakeWorksheet final : public Worksheet {
public:
    FakeWorksheet(FakeWorkbookData& book, FakeSheetData& sheet) : book_(book), sheet_(sheet) {}
    int maxRow() const override { return sheet_.maxRow; }
    int maxColumn() const override { return sheet_.maxColumn; }
    QString cellText(int row, int col) override {
        check(row, col);
        ++book_.cellsRead;
        book_.lastRowRead = row;
        return sheet_.cells.value({row, col});
    }
    int nextRowWithData(int row, const std::vector<int>& columns) override {
        int best = 0;
        for (auto it = sheet_.cells.cbegin(); it != sheet_.cells.cend(); ++it) {
            const int r = it.key().first;
            if (r > row && !it.value().trimmed().isEmpty() &&
                std::find(columns.begin(), columns.end(), it.key().second) != columns.end() &&
                (best == 0 || r < best)) {
                best = r;
            }
        }
        if (sheet_.brokenFromRow > 0 && (best == 0 || best >= sheet_.brokenFromRow)) {
            throw AutomationError(sheet_.brokenError, QStringLiteral("broken"));
        }
        return best;
    }

private:
    void check(int row, int col) const {
        if (row < 1 || col < 1 || row > sheet_.maxRow || col > sheet_.maxColumn) {
            throw AutomationError(kErrorCellOutOfRange, QStringLiteral("out of range"));
        }
        if (sheet_.brokenFromRow > 0 && row >= sheet_.brokenFromRow) {
            throw AutomationError(sheet_.brokenError, QStringLiteral("broken"));
        }
    }
    FakeWorkbookData& book_;
    FakeSheetData& sheet_;
};

class FakeWorkbook final : public Workbook {
public:
    explicit FakeWorkbook(FakeWorkbookData& data) : data_(data) {}
    std::unique_ptr<Worksheet> worksheet(const QString& name) override {
        if (data_.sheets.isEmpty()) {
            throw AutomationError(kErrorNoWorksheets, QStringLiteral("no worksheets"));
        }
        for (auto it = data_.sheets.begin(); it != data_.sheets.end(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_unique<FakeWorksheet>(data_, it.value());
            }
        }
        throw AutomationError(kErrorNoSuchSheet, name);
    }
    QStringList sheetNames() const override { return data_.sheets.keys(); }

private:
    FakeWorkbookData& data_;
};

// Installs the fake as the import's workbook opener while it lives; any path opens it.
class FakeWorkbookOpener {
public:
    FakeWorkbookData data;
    FakeWorkbookOpener() : previous_(workbookOpener()) {
        workbookOpener() = [this](const QString& path) -> std::unique_ptr<Workbook> {
            ++data.opened;
            data.lastPath = path;
            if (data.openError) {
                throw AutomationError(*data.openError, path);
            }
            return std::make_unique<FakeWorkbook>(data);
        };
    }
    ~FakeWorkbookOpener() { workbookOpener() = previous_; }
    FakeWorkbookOpener(const FakeWorkbookOpener&) = delete;
    FakeWorkbookOpener& operator=(const FakeWorkbookOpener&) = delete;

    FakeSheetData& sheet(const QString& name = QStringLiteral("Sheet1")) { return data.sheets[name]; }

private:
    WorkbookOpener previous_;
};

}  // namespace velmora::test
