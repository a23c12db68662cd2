#pragma once

#include <functional>
#include <vector>

#include "xlsx_cell.h"
#include "zip_archive.h"

namespace velmora::xlsx {

// A cell that may hold data, in 64 bits: its row and column, and for a shared string its index (data
// if that string is not blank).
struct Candidate {
    quint64 bits;
    int row() const { return int(bits >> 43); }
    int col() const { return int(bits >> 28 & 0x7FFF); }
    bool shared() const { return (bits >> 27 & 1) != 0; }
    quint32 index() const { return quint32(bits & 0x7FFFFFF); }
};
static_assert(kMaxSharedStrings <= 0x7FFFFFF && kXlsxMaxColumn <= 0x7FFF);
inline constexpr size_t kMaxCandidates = 4 * 1024 * 1024;  // 32 MiB

// What a scan of a worksheet part finds.
struct SheetScan {
    bool foreign = false;
    bool ordered = true;
    MergedRanges merged;          // of a sheet neither foreign nor out of order
    bool fullCalcOnLoad = false;  // likewise: its <sheetCalcPr> asks for recalculation when opened
    std::vector<Candidate> candidates;
    // With more candidates than are kept: the row from which they were left out, else 0.
    int candidatesEnd = 0;
};

// A worksheet part read once from end to end without an XML parser, for two things: whether its rows
// and cells come in order (every cell in its row, rows ascending), and where its cells with data are
// (kept compactly for nextRowWithData, so that the search for data beyond the rows read costs no
// second pass). It reads tags by the prefix the root element gives SpreadsheetML; anything it cannot
// judge by bytes alone (another prefix at the top or inside the rows, a namespace declaration, a
// comment or processing instruction among the rows, an entity in an attribute, a part not in UTF-8)
// makes the part "foreign", and the worksheet is then read through the XML parser whole.
// `text` gives a cell's text, for the judgement of values that may be blank. The scan needs no XML
// guard: it bounds tags itself, keeps no more text than a cell's, and leaves a document type
// declaration, as anything special, to the XML parser. Throws AutomationError 432 for a part that is
// broken.
SheetScan ScanSheet(const ZipArchive& archive, qint64 index,
                    const std::function<QString(const RawCell&)>& text);

}  // namespace velmora::xlsx
