#pragma once

#include <QPlainTextEdit>

#include "spaced_line_edit.h"

namespace velmora {

// A one-line entry box of the main window. The operator can type at most entryLimit characters into
// it; text set from code is kept whole, however long (a long amount keeps all its digits). A numeric
// box admits only what NumKeyFilter lets through, whether typed, pasted, dropped or committed by an
// input method.
class EntryLineEdit : public SpacedLineEdit {
    Q_OBJECT
    Q_PROPERTY(int entryLimit READ entryLimit WRITE setEntryLimit)
    Q_PROPERTY(bool numeric READ numeric WRITE setNumeric)
public:
    explicit EntryLineEdit(QWidget* parent = nullptr);

    int entryLimit() const { return limit_; }
    void setEntryLimit(int limit) { limit_ = limit; }
    bool numeric() const { return numeric_; }
    void setNumeric(bool numeric) { numeric_ = numeric; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void checkEdit(const QString& before);

    int limit_ = 32767;
    bool numeric_ = false;
    int eventDepth_ = 0;   // event() calls in progress: only the outermost checks the edit
    bool edited_ = false;  // the operator changed the text during the event being handled
};

// A several-line entry box of the main window: Tab moves on to the next box, the operator can type
// at most entryLimit characters (a line break counts as one), text set from code is kept whole.
class EntryTextEdit : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(int entryLimit READ entryLimit WRITE setEntryLimit)
public:
    explicit EntryTextEdit(QWidget* parent = nullptr);

    int entryLimit() const { return limit_; }
    void setEntryLimit(int limit) { limit_ = limit; }

    // Space kept free between the box's edges and its text.
    void setTextMargins(const QMargins& margins) { setViewportMargins(margins); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters may still be typed in place of the selection.
    qsizetype room() const;

    int limit_ = 32767;
};

}  // namespace velmora
