#include "print_all_dialog.h"

#include "form_check.h"
#include "ui_print_all.h"

namespace velmora {

PrintAllDialog::PrintAllDialog(const PrintAllQuestion& question, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PrintAllForm>()), question_(question) {
    ui_->setupUi(this);
    setFixedSize(size());
    for (QSpinBox* box : {ui_->First, ui_->Last}) {
        box->setRange(1, std::max(1, question.count));
    }
    ui_->First->setValue(question.first);
    ui_->Last->setValue(question.last);
    ui_->CountLabel->setText(QStringLiteral("个（共 %1 个）").arg(question.count));
    connect(ui_->First, &QSpinBox::valueChanged, this, &PrintAllDialog::refresh);
    connect(ui_->Last, &QSpinBox::valueChanged, this, &PrintAllDialog::refresh);
    connect(ui_->Reprint, &QCheckBox::toggled, this, &PrintAllDialog::refresh);
    connect(ui_->PrintButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->BackButton, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
    ui_->BackButton->setFocus();
}

PrintAllDialog::~PrintAllDialog() = default;

PrintAllAnswer PrintAllDialog::answer() const {
    return {ui_->First->value(), ui_->Last->value(), ui_->Reprint->isChecked()};
}

void PrintAllDialog::refresh() {
    const PrintAllAnswer range = answer();
    const PrintPlan plan = question_.plan(range.first, range.last, range.reprint);
    const int count = int(plan.records.size());
    ui_->Summary->setText(
        count == 0 ? QStringLiteral("第 %1～%2 个汇款单中没有要打印的。").arg(range.first).arg(range.last)
                   : QStringLiteral("将打印第 %1～%2 个汇款单中的 %3 个，合计 %4。")
                         .arg(range.first)
                         .arg(range.last)
                         .arg(count)
                         .arg(MoneyText(plan.totalFen)));
    QStringList notes;
    if (!plan.refused.empty()) {
        notes << QStringLiteral("以下 %1 个汇款单不能打印，不会打印：").arg(plan.refused.size());
        for (const RecordNote& n : plan.refused) {
            notes << QStringLiteral("  第 %1 个（%2）：%3").arg(n.record).arg(n.payee, n.text);
        }
    }
    if (!plan.warnings.empty()) {
        notes << QStringLiteral("请注意：");
        for (const RecordNote& n : plan.warnings) {
            notes << QStringLiteral("  第 %1 个（%2）：%3").arg(n.record).arg(n.payee, n.text);
        }
    }
    if (plan.printedBefore > 0) {
        notes << QStringLiteral("%1 个汇款单已经打印过，不再打印。").arg(plan.printedBefore);
    }
    if (plan.blank > 0) {
        notes << QStringLiteral("%1 个空行没有汇款单。").arg(plan.blank);
    }
    ui_->Notes->setPlainText(notes.join(QLatin1Char('\n')));
    ui_->PrintButton->setText(plan.refused.empty() ? QStringLiteral("开始打印")
                                                   : QStringLiteral("只打印可以打印的 %1 个").arg(count));
    ui_->PrintButton->setEnabled(count > 0 && range.first <= range.last);
}

}  // namespace velmora
