#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "printing/form_content.h"

namespace velmora {

class PrinterSurface;

// Where one text field prints: the top-left corner of its first line in millimetres from the
// sheet's corner, how many characters fit on a line, the extra space after each character in
// 1/600 inch, and the font size in points.
struct FieldPlacement {
    double x;
    double y;
    int charactersPerLine;
    double extraSpacing;
    float fontSize;
};

// Where one check box's tick prints: its top-left corner in millimetres.
struct CheckPlacement {
    double x;
    double y;
};

// The text fields of the form stock, by entry box Txt(0) to Txt(8).
inline constexpr std::array<FieldPlacement, 9> FieldLayout = {{
    {39.5, 31, 7, 0, 20},   // payee name
    {39.5, 51, 7, 0, 20},   // remitter name
    {39.5, 39, 25, 0, 12},  // payee address
    {39.5, 59, 25, 0, 12},  // remitter address
    {115, 30, 6, 50, 20},   // payee postcode, six digit boxes
    {115, 50, 6, 50, 20},   // remitter postcode, six digit boxes
    {150, 41, 9, 65, 15},   // amount in figures, nine digit boxes down to fen
    {160, 13, 11, 30, 12},  // mobile telephone number
    {152, 50, 9, 0, 12},    // remittance message
}};

// The ticks of the check boxes Chk(0) to Chk(8).
inline constexpr std::array<CheckPlacement, 9> CheckLayout = {{
    {62.5, 14},     // express remittance
    {62.5, 19},     // urgent remittance
    {62.5, 24.4},   // electronic remittance
    {106.5, 14},    // ordinary remittance
    {106.5, 19},    // courtesy remittance
    {106.5, 24.5},  // remittance into an account
    {136, 14.5},    // SMS receipt
    {136, 22},      // delivery receipt
    {163, 22},      // message attached
}};

inline constexpr int kPrintedLinesPerField = 5;
inline constexpr float kTickFontSize = 10;
inline const QString kTick = QStringLiteral("\u221A");      // √
inline const QString kYuanSign = QStringLiteral("\uFFE5");  // ￥
inline constexpr int kAmountField = 6;
inline constexpr int kAmountBoxes = 9;

// A rounded value outside the 32-bit range.
class RoundingOverflow : public std::overflow_error {
public:
    RoundingOverflow() : std::overflow_error("rounded value outside the 32-bit range") {}
};

// Rounds to the nearest 32-bit integer, halves to the even neighbour; throws RoundingOverflow outside the
// 32-bit range (and for a value that is not a number).
std::int32_t RoundToLong(double value);

// Millimetres to twips: mm x 0.03937 x 1440, rounded (0.03937 inches per millimetre, as the form's
// positions were measured with it).
std::int32_t MmToTwips(double mm);

// Millimetres to device pixels of the surface: MmToTwips rounded first, then divided by the twips per
// pixel of the axis ("X" or "x" horizontal, any other text vertical) and rounded again.
std::int32_t MmToDevicePixels(double mm, QStringView axis, const PrinterSurface& surface);

// Draws one form as one document on the surface: every field's text at its place (offsets in
// millimetres subtracted from every position), a tick for every check box whose value is 1, the
// amount right-aligned in its nine boxes with "￥" before the first figure. The surface reports
// whether the document was started and finished.
void DrawRemittance(const FormContent& form, double OffsetX, double OffsetY, PrinterSurface& surface);

// Splits text into lines of at most perLine characters (a surrogate pair counts as one), at most
// maxLines of them; what is left over is dropped.
QStringList SplitIntoLines(const QString& text, int perLine, int maxLines);

}  // namespace velmora
