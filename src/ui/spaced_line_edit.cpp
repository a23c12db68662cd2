#include "spaced_line_edit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace velmora {

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
    if (!spaced_ || window()->focusWidget() == this) {
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

#include "moc_spaced_line_edit.cpp"
