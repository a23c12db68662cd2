#pragma once

// What the .xlsx reader and its sheet byte scanner share: the sheet's bounds and vocabulary, a cell as
// the sheet stores it, and the reading of cell references, escapes and character data.

#include <QByteArrayView>
#include <QString>
#include <utility>

#include "cell_text.h"
#include "workbook_reader.h"
#include "zip_xml.h"

namespace velmora::xlsx {

inline constexpr int kXlsxMaxRow = 1048576;
inline constexpr int kXlsxMaxColumn = 16384;

// Escapes such as "_x000D_" take up to seven characters for one, so the raw text of a cell may be
// that much longer than the cell's text.
inline constexpr qsizetype kMaxRawTextLength = 7 * kMaxCellTextLength;

// SpreadsheetML's namespaces, transitional and strict.
extern const XmlVocabulary kSpreadsheetMl;

enum class CellType : quint8 { Number, SharedString, InlineString, FormulaString, Error, Boolean, Date };

template <typename Text>
CellType CellTypeOf(Text t) {
    if (t == QLatin1String("s")) {
        return CellType::SharedString;
    }
    if (t == QLatin1String("inlineStr")) {
        return CellType::InlineString;
    }
    if (t == QLatin1String("str")) {
        return CellType::FormulaString;
    }
    if (t == QLatin1String("e")) {
        return CellType::Error;
    }
    if (t == QLatin1String("b")) {
        return CellType::Boolean;
    }
    return t == QLatin1String("d") ? CellType::Date : CellType::Number;
}

// One cell as the sheet stores it; converted to text only when read.
struct RawCell {
    int row = 0;
    int col = 0;
    int style = 0;
    CellType type = CellType::Number;
    bool tooLong = false;
    bool formula = false;   // an <f>
    bool hasValue = false;  // a <v> or <is>
    QString value;          // <v>, or an inline string's text
};

// The column and row of a cell reference ("AB12" gives 28 and 12); the row is 0 when the reference has
// none, the column 0 when it is no reference.
std::pair<int, int> CellReference(QByteArrayView reference);

// A row number attribute: 1 to the last row, or 0.
int RowNumber(QByteArrayView text);

// Adds the range a <mergeCell ref="A2:D2"> names; a reference that names no range makes the sheet broken.
void AddMergedRange(MergedRanges& merged, QByteArrayView ref);

// Undoes the escapes Office XML uses for characters XML cannot carry: "_x000D_" is a carriage return,
// "_x005F_" a literal "_".
QString DecodeEscapes(const QString& text);

// XML character data as text: character and entity references resolved, line ends normalised.
QString DecodeXmlText(QByteArrayView raw);

// Whether an xsd:boolean attribute's value is true.
template <typename Text>
bool IsTrue(Text value) {
    return value == QLatin1String("1") || value == QLatin1String("true");
}

// Whether a text holds nothing but U+0020 spaces.
bool IsBlank(const QString& text);

}  // namespace velmora::xlsx
