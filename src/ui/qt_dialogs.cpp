#include "qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include "print_all_dialog.h"
#include "remembered.h"

namespace velmora {

namespace {

QString titleOrApplication(const QString& title) {
    return title.isEmpty() ? QStringLiteral("Velmora") : title;
}

}  // namespace

bool QtDialogs::showPrinter(QWidget* parent) {
    QPrintDialog dialog(&printer_, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    if (printer_.outputFileName().isEmpty()) {
        RememberPrinter(settings_, printer_.printerName());
    }
    return true;
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

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getSaveFileName(parent, title, QString(), filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

std::optional<PrintAllAnswer> QtDialogs::confirmPrintAll(QWidget* parent, const PrintAllQuestion& question) {
    PrintAllDialog dialog(question, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.answer();
}

}  // namespace velmora
