#include "text/spaced_text.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "text/rounding.h"

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

SpacedLineEdit::SpacedLineEdit(QWidget* parent) : QLineEdit(parent) {
    // A new text of the box's own replaces a text that was given to be drawn.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!explicitText_.isEmpty()) {
            explicitText_.clear();
            update();
        }
    });
}

void SpacedLineEdit::setSpacedText(const QString& text, int spacing) {
    const QString explicitText = text == this->text() ? QString() : text;
    if (spaced_ && spacing_ == spacing && explicitText_ == explicitText) {
        return;
    }
    spaced_ = true;
    spacing_ = spacing;
    explicitText_ = explicitText;
    update();
}

void SpacedLineEdit::clearSpacedText() {
    if (!spaced_) {
        return;
    }
    spaced_ = false;
    spacing_ = 0;
    explicitText_.clear();
    update();
}

void SpacedLineEdit::paintEvent(QPaintEvent* event) {
    if (!spaced_ || hasFocus()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QFont font = SpacedTextFont(this->font());
    painter.setFont(font);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    for (const SpacedGlyph& glyph : LayOutSpacedText(spacedText(), font, spacing_)) {
        painter.drawText(glyph.baseline, glyph.text);
    }
}

// The box switches between its normal and its spaced text as it gains and loses the focus.
void SpacedLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (spaced_) {
        update();
    }
}

void SpacedLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (spaced_) {
        update();
    }
}

void DrawSpacedText(SpacedLineEdit* box, QString& text, std::int32_t spacing) {
    if (!box) {
        return;
    }
    if (text.isEmpty()) {
        text = box->text();
    }
    box->setSpacedText(text, static_cast<int>(spacing));
}

}  // namespace velmora

#include "moc_spaced_text.cpp"
