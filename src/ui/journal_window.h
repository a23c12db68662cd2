#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "journal.h"

namespace Ui {
class JournalForm;
}

namespace velmora {

// "打印记录": the forms printed on one day, the latest day first, with the day's count and sum; the
// shown entries exported as CSV or as an Excel workbook, never over the program's own files, and a chosen
// entry printed again through the same check and the printer dialog.
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "JournalWindow";

    explicit JournalWindow(QWidget* parent = nullptr);
    ~JournalWindow() override;

    // Reads the journal (again, each time the window is shown), keeping the day shown when it still
    // has entries.
    void refresh();
    const std::vector<JournalEntry>& entries() const { return entries_; }

private:
    void showDay();
    void exportShown(bool excel);
    void reprintChosen();

    std::unique_ptr<Ui::JournalForm> ui_;
    std::vector<JournalEntry> entries_;
};

}  // namespace velmora
