#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>

namespace velmora {

// The pixel height of the font that draws spaced text for a box whose font is `pointSize` points:
// the size times 1.3, rounded half to even (24 pt gives 31, 14.25 pt gives 19). It is the height of
// the character cell (ascent plus descent), as a font asked for by cell height gets it.
int SpacedTextFontHeight(double pointSize);

// The font that draws a box's spaced text: the box's family in a regular weight, sized so that its
// character cell is SpacedTextFontHeight of the box's point size.
QFont SpacedTextFont(const QFont& boxFont);

// Where each character of a spaced text goes: the first character cell's top-left corner at pixel
// (1, 1) of the box, each next character its normal advance plus `spacing` pixels further right.
struct SpacedGlyph {
    QString text;      // one character (a surrogate pair stays whole)
    QPointF cell;      // top-left corner of its character cell
    QPointF baseline;  // where drawText puts it
    qreal advance;     // its normal advance, without the extra spacing
};
QList<SpacedGlyph> LayOutSpacedText(const QString& text, const QFont& font, int spacing);

}  // namespace velmora
