#pragma once

#include "dialogs.h"

class QPrinter;

namespace velmora {

// Qt's QPrintDialog, QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
public:
    // The printer dialog works on `printer`, the program's current printer: the printer chosen stays
    // current for the rest of the session.
    explicit QtDialogs(QPrinter& printer) : printer_(printer) {}

    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    int choose(QWidget* parent, const QString& text, const QString& title, const QStringList& buttons,
               int safeButton) override;

private:
    QPrinter& printer_;
};

}  // namespace velmora
