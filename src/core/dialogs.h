#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace velmora {

enum class MessageIcon { None, Exclamation };

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

    // A modal question with the exclamation icon and buttons of its own, in the order given: the index
    // of the button chosen, or `safeButton` when the box is closed or Escape pressed. `safeButton` has
    // the focus and answers Enter.
    virtual int choose(QWidget* parent, const QString& text, const QString& title, const QStringList& buttons,
                       int safeButton) = 0;
};

}  // namespace velmora
