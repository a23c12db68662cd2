#include "platform/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>

#include "platform/printer.h"

namespace velmora {

namespace {

QString titleOrApplication(const QString& title) {
    return title.isEmpty() ? QStringLiteral("Velmora") : title;
}

}  // namespace

bool QtDialogs::showPrinter(QWidget* parent) {
    QPrintDialog dialog(&currentPrinter(), parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    titleOrApplication(title), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

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
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    const bool chosen = fileAnswers.front().has_value();
    const QString path = fileAnswers.front().value_or(QString());
    fileAnswers.pop_front();
    if (!chosen) {
        return std::nullopt;
    }
    return path;
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
