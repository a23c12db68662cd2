#include "collate_dialog.h"

#include <QKeyEvent>
#include <QLabel>

#include "calibration.h"
#include "dialogs.h"
#include "num_key_filter.h"
#include "number_text.h"
#include "services.h"
#include "ui_collate_form.h"

namespace velmora {

namespace {

const QString kRangeMessage = QStringLiteral("您输入的数字有误，或超出范围(允许范围为0～30)，请重新输入。");
const QString kRangeTitle = QStringLiteral("错误提示");

}  // namespace

CollateDialog::CollateDialog() : ui_(std::make_unique<Ui::CollateForm>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    // A fixed dialog frame without minimise and maximise buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    QFont captionFont = ui_->Label1_0->font();
    captionFont.setPointSizeF(10.5);
    ui_->Label1_0->setFont(captionFont);
    ui_->Label1_1->setFont(captionFont);
    for (QLineEdit* box : {ui_->Txy_0, ui_->Txy_1}) {
        box->installEventFilter(this);
        box->setAttribute(Qt::WA_InputMethodEnabled, false);  // no ideographs through an input method
    }
    connect(ui_->Command1, &QPushButton::clicked, this, &CollateDialog::onCommand1Clicked);
    connect(ui_->Command2, &QPushButton::clicked, this, &CollateDialog::onCommand2Clicked);
    setPrinter({});
    ui_->Command1->setFocus();
}

CollateDialog::~CollateDialog() = default;

QLineEdit* CollateDialog::Txy(int index) const {
    return index == 0 ? ui_->Txy_0 : ui_->Txy_1;
}
void CollateDialog::setPrinter(const QString& printer) {
    printer_ = printer;
    // The name, cut to the room beside the buttons; whole in the tooltip.
    const QString text =
        printer.isEmpty() ? QStringLiteral("所有打印机") : QStringLiteral("打印机：%1").arg(printer);
    QLabel* label = ui_->PrinterLabel;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
    label->setToolTip(text);
}

QPushButton* CollateDialog::Command1() const {
    return ui_->Command1;
}
QPushButton* CollateDialog::Command2() const {
    return ui_->Command2;
}

// The boxes take only what a number can hold: every typed character passes NumKeyFilter, and the
// paste shortcut (a control character the filter refuses) pastes nothing. Editing and moving keys
// work as usual; Enter and Escape do nothing here.
bool CollateDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ui_->Txy_0 || watched == ui_->Txy_1) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            return true;
        }
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            for (const QChar c : text) {
                if (NumKeyFilter(static_cast<std::int16_t>(c.unicode())) == 0) {
                    return true;  // discarded silently
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CollateDialog::onCommand1Clicked() {
    // Both are checked before either is stored: a rejected entry leaves the stored pair as it was. An
    // empty box or one without a number is refused as well: a distance of 0 would print every form
    // 10 mm off.
    const std::optional<double> x = CalibrationEntry(ui_->Txy_0->text());
    const std::optional<double> y = CalibrationEntry(ui_->Txy_1->text());
    if (!x || !y) {
        services().dialogs->message(this, kRangeMessage, kRangeTitle, MessageIcon::None);
        return;
    }
    CalibrationStore(*services().settings).save({{*x}, {*y}}, printer_);
    hide();
}

void CollateDialog::onCommand2Clicked() {
    hide();
}

}  // namespace velmora
