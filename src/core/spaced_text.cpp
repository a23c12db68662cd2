#include "spaced_text.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <algorithm>

#include "rounding.h"

namespace velmora {

int SpacedTextFontHeight(double pointSize) {
    return RoundToInt32(pointSize * 1.3).value_or(0);
}

QFont SpacedTextFont(const QFont& boxFont) {
    const double points = boxFont.pointSizeF() > 0 ? boxFont.pointSizeF() : QFontInfo(boxFont).pointSizeF();
    const int cellHeight = std::max(1, SpacedTextFontHeight(points));
    QFont font(boxFont);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    // Qt sizes a font by its em; the cell of a face is a fixed multiple of the em, measured once large.
    constexpr int kReference = 100;
    font.setPixelSize(kReference);
    const qreal referenceCell = QFontMetricsF(font).height();
    const int pixels = referenceCell > 0 ? qRound(cellHeight * kReference / referenceCell) : cellHeight;
    font.setPixelSize(std::max(1, pixels));
    return font;
}

QList<SpacedGlyph> LayOutSpacedText(const QString& text, const QFont& font, int spacing) {
    const QFontMetricsF metrics(font);
    QList<SpacedGlyph> glyphs;
    qreal x = 1;
    constexpr qreal kTop = 1;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString character = text.mid(i, length);
        const qreal advance = metrics.horizontalAdvance(character);
        glyphs.append({character, QPointF(x, kTop), QPointF(x, kTop + metrics.ascent()), advance});
        x += advance + spacing;
        i += length;
    }
    return glyphs;
}

}  // namespace velmora
