#pragma once

#include <QLineEdit>
#include <cstdint>

#include "spaced_text.h"

namespace velmora {

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
