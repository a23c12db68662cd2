#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace velmora {

enum class MessageIcon { None, Exclamation };

// The common dialogs and message boxes. One implementation shows Qt's dialogs; a scripted one
// answers from a queue and records every call, so the rules above it run in tests without a screen.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The printer dialog over the program's current printer: true when accepted, and then the chosen
    // printer is the current one; false when cancelled.
    virtual bool showPrinter(QWidget* parent) = 0;

    // A modal message box with an OK button; an empty title means the application title "Velmora".
    virtual void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) = 0;

    // A modal Yes/No question with the exclamation icon: true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text, const QString& title) = 0;

    // The file-open dialog: the chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                                const QString& filter) = 0;
};

// Qt's QPrintDialog, QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
public:
    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
};

// Answers scripted in advance, every call recorded in order. An unscripted printer dialog is
// accepted, an unscripted question answered No and an unscripted file dialog cancelled.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Printer, Message, Question, OpenFile };
    struct Call {
        Kind kind;
        QString text;   // message or question text; the filter for OpenFile
        QString title;  // as passed (empty means the application title)
        MessageIcon icon = MessageIcon::None;
    };

    std::deque<bool> printerAnswers;                 // true: accepted
    std::deque<bool> questionAnswers;                // true: Yes
    std::deque<std::optional<QString>> fileAnswers;  // nothing: cancelled
    std::vector<Call> calls;

    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;
};

}  // namespace velmora
