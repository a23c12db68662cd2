#include "qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace velmora {

namespace {

QString titleOrApplication(const QString& title) {
    return title.isEmpty() ? QStringLiteral("Velmora") : title;
}

}  // namespace

bool QtDialogs::showPrinter(QWidget* parent) {
    QPrintDialog dialog(&printer_, parent);
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

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getSaveFileName(parent, title, QString(), filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

int QtDialogs::choose(QWidget* parent, const QString& text, const QString& title, const QStringList& buttons,
                      int safeButton) {
    QMessageBox box(QMessageBox::Warning, titleOrApplication(title), text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (int i = 0; i < buttons.size(); ++i) {
        // One role for all keeps them in the order given.
        added.push_back(box.addButton(buttons.at(i), QMessageBox::ActionRole));
    }
    if (safeButton >= 0 && safeButton < int(added.size())) {
        box.setDefaultButton(static_cast<QPushButton*>(added[std::size_t(safeButton)]));
        box.setEscapeButton(added[std::size_t(safeButton)]);
    }
    box.exec();
    const auto chosen = std::find(added.begin(), added.end(), box.clickedButton());
    return chosen == added.end() ? safeButton : int(chosen - added.begin());
}

}  // namespace velmora
