#pragma once

#include "dialogs.h"

class QPrinter;

namespace velmora {
class SettingsStore;
}

namespace velmora {

// Qt's QPrintDialog, QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
public:
    // The printer dialog works on `printer`, the program's current printer, and keeps the printer
    // chosen in `settings` for the next start.
    QtDialogs(QPrinter& printer, SettingsStore& settings) : printer_(printer), settings_(settings) {}

    bool showPrinter(QWidget* parent) override;
    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
    std::optional<PrintAllAnswer> confirmPrintAll(QWidget* parent, const PrintAllQuestion& question) override;

private:
    QPrinter& printer_;
    SettingsStore& settings_;
};

}  // namespace velmora
