#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "print_plan.h"

class QWidget;

namespace velmora {

enum class MessageIcon { None, Exclamation };

// What "全部打印" asks once before it starts: the range it proposes (from the first record not yet
// printed), and what any range would print, checked.
struct PrintAllQuestion {
    int count = 0;  // records in the batch
    int first = 1;
    int last = 0;
    std::function<PrintPlan(int first, int last, bool reprint)> plan;
};

// The operator's answer: the range to print, and whether records printed before print again.
struct PrintAllAnswer {
    int first = 1;
    int last = 0;
    bool reprint = false;
    friend bool operator==(const PrintAllAnswer&, const PrintAllAnswer&) = default;
};

// The common dialogs and message boxes. The windows show Qt's dialogs; a scripted implementation
// answers from a queue and records every call, so the rules run in tests without a screen.
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

    // The file-save dialog, which asks before replacing a file: the path, or nothing when cancelled.
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                                const QString& filter) = 0;

    // The question before "全部打印": the range and what it prints; nothing when the operator goes
    // back (to correct the records refused, or not to print at all).
    virtual std::optional<PrintAllAnswer> confirmPrintAll(QWidget* parent,
                                                          const PrintAllQuestion& question) = 0;
};

// Answers scripted in advance, every call recorded in order. An unscripted printer dialog is
// accepted, an unscripted question answered No, an unscripted file dialog cancelled and an
// unscripted "全部打印" question answered with the range it proposes.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Printer, Message, Question, OpenFile, SaveFile, PrintAll };
    struct Call {
        Kind kind;
        QString text;   // message or question text; the filter for OpenFile; "first-last" for PrintAll
        QString title;  // as passed (empty means the application title)
        MessageIcon icon = MessageIcon::None;
    };

    std::deque<bool> printerAnswers;                            // true: accepted
    std::deque<bool> questionAnswers;                           // true: Yes
    std::deque<std::optional<QString>> fileAnswers;             // open and save; nothing: cancelled
    std::deque<std::optional<PrintAllAnswer>> printAllAnswers;  // nothing: go back
    std::vector<Call> calls;

    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<PrintAllAnswer> confirmPrintAll(QWidget* parent, const PrintAllQuestion& question) override;

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;

private:
    std::optional<QString> nextFile();
};

}  // namespace velmora
