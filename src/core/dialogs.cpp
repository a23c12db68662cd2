#include "dialogs.h"

namespace velmora {

bool ScriptedDialogs::showPrinter(QWidget*) {
    calls.push_back({Kind::Printer, {}, {}, MessageIcon::None});
    if (printerAnswers.empty()) {
        return true;
    }
    const bool answer = printerAnswers.front();
    printerAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& title, MessageIcon icon) {
    calls.push_back({Kind::Message, text, title, icon});
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text, const QString& title) {
    calls.push_back({Kind::Question, text, title, MessageIcon::Exclamation});
    if (questionAnswers.empty()) {
        return false;
    }
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const QString& title, const QString& filter) {
    calls.push_back({Kind::OpenFile, filter, title, MessageIcon::None});
    return nextFile();
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*, const QString& title, const QString& filter) {
    calls.push_back({Kind::SaveFile, filter, title, MessageIcon::None});
    return nextFile();
}

std::optional<QString> ScriptedDialogs::nextFile() {
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    // Taken apart before the pop: copying the optional itself trips GCC's uninitialised-use warning.
    const bool chosen = fileAnswers.front().has_value();
    const QString path = fileAnswers.front().value_or(QString());
    fileAnswers.pop_front();
    if (!chosen) {
        return std::nullopt;
    }
    return path;
}

std::optional<PrintAllAnswer> ScriptedDialogs::confirmPrintAll(QWidget*, const PrintAllQuestion& question) {
    calls.push_back({Kind::PrintAll,
                     QStringLiteral("%1-%2").arg(question.first).arg(question.last),
                     {},
                     MessageIcon::None});
    if (printAllAnswers.empty()) {
        return PrintAllAnswer{question.first, question.last, false};
    }
    const std::optional<PrintAllAnswer> answer = printAllAnswers.front();
    printAllAnswers.pop_front();
    return answer;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Call& call : calls) {
        if (call.kind == Kind::Message) {
            texts << call.text;
        }
    }
    return texts;
}

}  // namespace velmora
