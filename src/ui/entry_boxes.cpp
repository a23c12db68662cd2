#include "entry_boxes.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <algorithm>

#include "num_key_filter.h"

namespace velmora {

namespace {

// True when a key press would type its text into a box rather than edit or move (backspace, Enter,
// the shortcuts with Ctrl).
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
        return false;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return mods == Qt::NoModifier || mods == Qt::GroupSwitchModifier;
}

}  // namespace

EntryLineEdit::EntryLineEdit(QWidget* parent) : SpacedLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { edited_ = true; });
}

// Every edit by the operator (typing, paste by key or menu, drop, middle click, an input method)
// arrives with an event: once the event is handled, an edit that the box does not admit is undone or
// cut to what fits. Text set from code raises no textEdited and is left as it is.
bool EntryLineEdit::event(QEvent* event) {
    if (eventDepth_ > 0) {
        return SpacedLineEdit::event(event);
    }
    const QString before = text();
    edited_ = false;
    ++eventDepth_;
    const bool handled = SpacedLineEdit::event(event);
    --eventDepth_;
    if (edited_) {
        edited_ = false;
        checkEdit(before);
    }
    return handled;
}

void EntryLineEdit::keyPressEvent(QKeyEvent* event) {
    // The paste shortcut is a control character the key filter refuses, as every other one but
    // backspace.
    if (numeric_ && event->matches(QKeySequence::Paste)) {
        event->accept();
        return;
    }
    if (numeric_ && typesText(event)) {
        for (const QChar c : event->text()) {
            if (NumKeyFilter(static_cast<std::int16_t>(c.unicode())) == 0) {
                event->accept();  // discarded: nothing typed, nothing reported
                return;
            }
        }
    }
    SpacedLineEdit::keyPressEvent(event);
}

// The inserted part of an edit is refused when a numeric box would not admit it, and cut to what
// still fits under the limit.
void EntryLineEdit::checkEdit(const QString& before) {
    const QString now = text();
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), now.size());
    while (prefix < shorter && before.at(prefix) == now.at(prefix)) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before.at(before.size() - 1 - suffix) == now.at(now.size() - 1 - suffix)) {
        ++suffix;
    }
    QString inserted = now.mid(prefix, now.size() - prefix - suffix);
    if (numeric_ && !NumKeyFilterAdmits(inserted)) {
        setText(before);
        setCursorPosition(static_cast<int>(prefix));
        return;
    }
    // A box that already holds more than the limit (text set from code) may be edited as long as the
    // edit does not lengthen it.
    const qsizetype allowed = std::max<qsizetype>(limit_, before.size());
    const qsizetype kept = prefix + suffix;
    if (kept + inserted.size() > allowed) {
        inserted.truncate(std::max<qsizetype>(0, allowed - kept));
        setText(now.left(prefix) + inserted + now.right(suffix));
        setCursorPosition(static_cast<int>(prefix + inserted.size()));
    }
}

EntryTextEdit::EntryTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

qsizetype EntryTextEdit::room() const {
    const QTextCursor cursor = textCursor();
    const qsizetype length = document()->characterCount() - 1;  // without the closing paragraph mark
    const qsizetype selected = cursor.selectionEnd() - cursor.selectionStart();
    return std::max<qsizetype>(0, limit_ - (length - selected));
}

void EntryTextEdit::keyPressEvent(QKeyEvent* event) {
    const bool lineBreak = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                           !(event->modifiers() & Qt::ControlModifier);
    if ((typesText(event) || lineBreak) && room() < std::max<qsizetype>(1, event->text().size())) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void EntryTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    const qsizetype fits = room();
    if (event->commitString().size() <= fits) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(event->commitString().left(fits), event->replacementStart(),
                        event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
}

void EntryTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) {
        return;
    }
    const qsizetype fits = room();
    if (fits > 0) {
        insertPlainText(source->text().left(fits));
    }
}

}  // namespace velmora

#include "moc_entry_boxes.cpp"
