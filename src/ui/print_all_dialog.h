#pragma once

#include <QDialog>
#include <memory>

#include "dialogs.h"

namespace Ui {
class PrintAllForm;
}

namespace velmora {

// "全部打印"'s question: the range of records, whether to print again those printed before, and what
// that range prints, checked: how many forms and their sum, the records that cannot be printed and
// why, and those that print otherwise than they read. "开始打印" prints the range; with records
// refused it reads "只打印可以打印的 N 个"; "返回修改" goes back without printing.
class PrintAllDialog : public QDialog {
    Q_OBJECT
public:
    PrintAllDialog(const PrintAllQuestion& question, QWidget* parent = nullptr);
    ~PrintAllDialog() override;

    PrintAllAnswer answer() const;

private:
    void refresh();

    std::unique_ptr<Ui::PrintAllForm> ui_;
    PrintAllQuestion question_;
};

}  // namespace velmora
