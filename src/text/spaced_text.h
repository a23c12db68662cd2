#pragma once

#include <QFont>
#include <QLineEdit>
#include <QList>
#include <QPointF>
#include <QString>
#include <cstdint>

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

// A line edit that can show its text with extra space between the characters, so that digits sit on
// the squares printed on the form behind the box. The spaced text replaces the box's normal text
// while the box is not being edited (has no focus); while the operator types, the box shows its text
// as usual, so the two never overlap.
class SpacedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit SpacedLineEdit(QWidget* parent = nullptr);

    // Shows `text`, or the box's own text (kept current as it changes) when `text` is empty, with
    // `spacing` extra pixels after each character. Repaints only when something changed.
    void setSpacedText(const QString& text, int spacing);
    // Back to the normal text.
    void clearSpacedText();

    bool showsSpacedText() const { return spaced_; }
    int extraSpacing() const { return spacing_; }
    // The text drawn spaced: the one given, else the box's own.
    QString spacedText() const { return explicitText_.isEmpty() ? text() : explicitText_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool spaced_ = false;
    int spacing_ = 0;
    QString explicitText_;
};

// Has the box draw its text with `spacing` extra pixels between the characters. An empty `text` means
// the box's own text, which `text` then receives.
void DrawSpacedText(SpacedLineEdit* box, QString& text, std::int32_t spacing);

}  // namespace velmora
