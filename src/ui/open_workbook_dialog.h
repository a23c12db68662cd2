#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "import.h"

class QLineEdit;
class QPushButton;

namespace Ui {
class OpenWorkbookDialog;
}

namespace velmora {

// The open-workbook dialog fOpen: the workbook path, the worksheet name, the first data row and the
// worksheet columns of payee name, address, postcode and amount. Its entries live in its boxes;
// after OK it stays loaded and hidden so the batch window can read them, and so the next import
// starts from them.
class OpenWorkbookDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "fOpen";

    explicit OpenWorkbookDialog(QWidget* parent = nullptr);
    ~OpenWorkbookDialog() override;

    // Text1(0) path, (1) worksheet name, (2) first data row, (3) payee, (4) address, (5) postcode,
    // (6) amount column letters.
    QLineEdit* Text1(int index) const { return text1_.at(static_cast<std::size_t>(index)); }
    QPushButton* Command1() const;           // "浏览"
    QPushButton* Command2(int index) const;  // 0 "确　定", 1 "取　消", 2 "帮　助"

    // "浏览": the file-open dialog; the chosen file's path goes into Text1(0), a cancelled dialog
    // leaves the box as it was.
    void browse();
    // A Command2 button by index: 0 OK, 1 Cancel, 2 Help.
    void command2Click(int index);

    // What the entries ask to import: the path and the worksheet name trimmed of blanks, the first
    // data row's leading digits (an empty box gives 0) less one, and the columns in ColNo; nothing
    // when the first row does not fit 16 bits.
    std::optional<ImportRequest> request() const;

    // The file-open dialog's filter.
    static QString fileFilter();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool filterKey(int index, QLineEdit* box, QEvent* event);

    std::unique_ptr<Ui::OpenWorkbookDialog> ui_;
    std::array<QLineEdit*, 7> text1_{};
};

}  // namespace velmora
