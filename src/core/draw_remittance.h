#pragma once

#include <QStringList>

#include "form.h"

namespace velmora {

class PrinterSurface;

// What the renderer subtracts from every position: the stored calibration distances less the
// calibration figure's 10 mm.
struct Offsets {
    Millimetres x;
    Millimetres y;
};

// Draws one form as one document on the surface: every field's text at its place (the offsets
// subtracted from every position), a tick for every check box whose value is Ticked, the amount
// right-aligned in its nine boxes with "￥" before the first figure. The surface reports whether the
// document was started and finished.
void DrawRemittance(const FormContent& form, Offsets offsets, PrinterSurface& surface);

// Splits text into lines of at most perLine characters (a surrogate pair counts as one), at most
// maxLines of them; what is left over is dropped.
QStringList SplitIntoLines(const QString& text, int perLine, int maxLines);

// Characters in text: a surrogate pair counts as one.
qsizetype CharacterCount(const QString& text);

}  // namespace velmora
