#pragma once

#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "dialogs.h"

namespace velmora::test {

// Answers scripted in advance, every call recorded in order. An unscripted printer dialog is
// accepted, an unscripted Yes/No question answered No, an unscripted file dialog cancelled and an
// unscripted question with buttons of its own answered with its safe button.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Printer, Message, Question, OpenFile, SaveFile, Choice };
    struct Call {
        Kind kind;
        QString text;   // message or question text; the filter for OpenFile and SaveFile
        QString title;  // as passed (empty means the application title)
        MessageIcon icon = MessageIcon::None;
        QStringList buttons;  // Choice: the buttons offered
    };

    std::deque<bool> printerAnswers;                 // true: accepted
    std::deque<bool> questionAnswers;                // true: Yes
    std::deque<std::optional<QString>> fileAnswers;  // open and save; nothing: cancelled
    std::deque<int> choiceAnswers;                   // the index of the button chosen
    std::vector<Call> calls;

    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    int choose(QWidget* parent, const QString& text, const QString& title, const QStringList& buttons,
               int safeButton) override;

    // The texts of the calls of one kind so far, in order.
    QStringList texts(Kind kind) const;
    QStringList messages() const { return texts(Kind::Message); }

private:
    std::optional<QString> nextFile();
};

}  // namespace velmora::test
