#include "scripted_dialogs.h"

namespace velmora::test {

namespace {

template <typename T>
T next(std::deque<T>& answers, T otherwise) {
    if (answers.empty()) {
        return otherwise;
    }
    const T answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

bool ScriptedDialogs::showPrinter(QWidget*) {
    calls.push_back({Kind::Printer, {}, {}, MessageIcon::None, {}});
    return next(printerAnswers, true);
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& title, MessageIcon icon) {
    calls.push_back({Kind::Message, text, title, icon, {}});
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text, const QString& title) {
    calls.push_back({Kind::Question, text, title, MessageIcon::Exclamation, {}});
    return next(questionAnswers, false);
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const QString& title, const QString& filter) {
    calls.push_back({Kind::OpenFile, filter, title, MessageIcon::None, {}});
    return nextFile();
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*, const QString& title, const QString& filter) {
    calls.push_back({Kind::SaveFile, filter, title, MessageIcon::None, {}});
    return nextFile();
}

int ScriptedDialogs::choose(QWidget*, const QString& text, const QString& title, const QStringList& buttons,
                            int safeButton) {
    calls.push_back({Kind::Choice, text, title, MessageIcon::Exclamation, buttons});
    return next(choiceAnswers, safeButton);
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

QStringList ScriptedDialogs::texts(Kind kind) const {
    QStringList result;
    for (const Call& call : calls) {
        if (call.kind == kind) {
            result << call.text;
        }
    }
    return result;
}

}  // namespace velmora::test
