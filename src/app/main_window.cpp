#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QWindow>

#include "app/app_state.h"
#include "app/entry_boxes.h"
#include "app/fonts.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "batch/open_workbook_dialog.h"
#include "help/about_window.h"
#include "platform/dialogs.h"
#include "platform/services.h"
#include "printing/print_preview.h"
#include "text/amount.h"
#include "text/number_text.h"
#include "text/rounding.h"
#include "text/spaced_text.h"
#include "ui_main_window.h"

// The form picture and the icon are compiled into the library; a static library must ask for them.
static void initVelmoraResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora {

namespace {

constexpr int kPayeeName = 0;
constexpr int kPayeeAddress = 2;
constexpr int kPayeePostcode = 4;
constexpr int kRemitterPostcode = 5;
constexpr int kAmount = 6;
constexpr int kMobile = 7;
constexpr int kMessage = 8;

constexpr int kPostcodeSpacing = 6;
constexpr int kMobileSpacing = 2;

const QString kAmountHint = QStringLiteral("汇款金额：只能输入数字和小数点，离开此栏时整理为两位小数");

// The entry boxes lie over the form picture: transparent, so its squares and lines show through,
// except the amount box, which covers its digit squares (its text does not follow them). The box
// being edited is tinted so the operator sees where the typing goes.
const QColor kEditingTint(255, 246, 191, 170);
const QColor kAmountBase(Qt::white);
const QColor kAmountEditing(255, 246, 191);
const QColor kInvalidText(0xC0, 0x00, 0x00);
const QColor kInvalidBase(255, 228, 228);

void setBase(QWidget* box, const QColor& colour) {
    QPalette palette = box->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
    }
    box->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::MainWindowForm>()),
      printRun_(PrintRemittance),
      calibrationRun_(PrintCalibration) {
    initVelmoraResources();
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    ApplyFractionalPointSizes(this);
    // A fixed single border with a close box, no maximise or minimise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora_icon.png")));

    for (int i = 0; i < kBoxCount; ++i) {
        txt_[i] = findChild<QWidget*>(QStringLiteral("Txt_%1").arg(i));
        chk_[i] = findChild<QCheckBox*>(QStringLiteral("Chk_%1").arg(i));
    }
    for (int i = 0; i < kButtonCount; ++i) {
        c1_[i] = findChild<QPushButton*>(QStringLiteral("C1_%1").arg(i));
        if (c1_[i]) {
            connect(c1_[i], &QPushButton::clicked, this, [this, i] { command(i); });
        }
    }
    setUpBoxes();
    // The record number and count are display only, yet must read as clearly as any text.
    for (QLineEdit* display : {ui_->Num_0, ui_->Num_1}) {
        QPalette palette = display->palette();
        palette.setColor(QPalette::Disabled, QPalette::Text,
                         palette.color(QPalette::Active, QPalette::WindowText));
        palette.setColor(QPalette::Disabled, QPalette::Base, Qt::transparent);
        display->setPalette(palette);
    }
    connect(ui_->NumScroll, &QScrollBar::valueChanged, this, &MainWindow::loadRecord);
    txt_[kPayeeName]->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpBoxes() {
    for (int i = 0; i < kBoxCount; ++i) {
        QWidget* box = txt_[i];
        box->installEventFilter(this);
        box->setAutoFillBackground(false);
        if (auto* line = qobject_cast<EntryLineEdit*>(box)) {
            line->setFrame(false);
            line->setNumeric(i >= kPayeePostcode && i <= kMobile);
        } else if (auto* text = qobject_cast<EntryTextEdit*>(box)) {
            text->setFrameShape(QFrame::NoFrame);
            text->viewport()->setAutoFillBackground(false);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            text->document()->setDocumentMargin(1);
            if (i == kMessage) {
                // The last spaced digit of the remitter postcode reaches the message area's left edge.
                text->setTextMargins(QMargins(4, 0, 0, 0));
            }
        }
        setBase(box, i == kAmount ? kAmountBase : QColor(Qt::transparent));
    }
    auto* amount = static_cast<EntryLineEdit*>(txt_[kAmount]);
    amount->setToolTip(kAmountHint);
    connect(amount, &QLineEdit::textChanged, this, &MainWindow::markAmount);
}

QWidget* MainWindow::Txt(int i) const {
    return i >= 0 && i < kBoxCount ? txt_[i] : nullptr;
}

QString MainWindow::boxText(int i) const {
    if (auto* line = qobject_cast<QLineEdit*>(Txt(i))) {
        return line->text();
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(Txt(i))) {
        return text->toPlainText();
    }
    return {};
}

void MainWindow::setBoxText(int i, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(Txt(i))) {
        line->setText(text);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(Txt(i))) {
        if (edit->toPlainText() != text) {
            edit->setPlainText(text);
        }
    }
}

QCheckBox* MainWindow::Chk(int i) const {
    return i >= 0 && i < kBoxCount ? chk_[i] : nullptr;
}

QScrollBar* MainWindow::NumScroll() const {
    return ui_->NumScroll;
}

QLineEdit* MainWindow::Num(int i) const {
    switch (i) {
        case 0:
            return ui_->Num_0;
        case 1:
            return ui_->Num_1;
        default:
            return nullptr;
    }
}

QPushButton* MainWindow::C1(int i) const {
    return i >= 0 && i < kButtonCount ? c1_[i] : nullptr;
}

QLabel* MainWindow::Lbl(int i) const {
    switch (i) {
        case 1:
            return ui_->Lbl_1;
        case 2:
            return ui_->Lbl_2;
        default:
            return nullptr;
    }
}

QLabel* MainWindow::T2() const {
    return ui_->T2;
}

QLabel* MainWindow::Envelop() const {
    return ui_->Envelop;
}

FormContent MainWindow::formContent() const {
    FormContent form;
    for (int i = 0; i < kBoxCount; ++i) {
        form.text[i] = boxText(i);
        // 0 clear, 1 ticked, 2 greyed (Qt counts the greyed state as 1 and the ticked as 2).
        const Qt::CheckState state = chk_[i]->checkState();
        form.check[i] = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    }
    return form;
}

void MainWindow::normaliseField(int i) {
    switch (i) {
        case kPayeePostcode:
        case kRemitterPostcode:
        case kMobile: {
            QString text;
            DrawSpacedText(static_cast<EntryLineEdit*>(txt_[i]), text,
                           i == kMobile ? kMobileSpacing : kPostcodeSpacing);
            break;
        }
        case kAmount: {
            // The whole normalised amount, never a part of it: an amount the form cannot hold keeps all
            // its digits and is marked (markAmount), and the print run refuses it.
            const QString normalised = NormalisedAmount(boxText(kAmount));
            if (normalised != boxText(kAmount)) {
                setBoxText(kAmount, normalised);
            }
            break;
        }
        default:
            break;
    }
}

void MainWindow::normaliseFields() {
    for (const int i : {kPayeePostcode, kRemitterPostcode, kAmount, kMobile}) {
        normaliseField(i);
    }
}

void MainWindow::markAmount() {
    auto* amount = static_cast<EntryLineEdit*>(txt_[kAmount]);
    const QString problem = AmountProblem(amount->text());
    QPalette palette = amount->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text,
                         problem.isEmpty() ? this->palette().color(group, QPalette::Text) : kInvalidText);
    }
    amount->setPalette(palette);
    if (!amount->hasFocus()) {
        setBase(amount, problem.isEmpty() ? kAmountBase : kInvalidBase);
    }
    amount->setToolTip(problem.isEmpty() ? kAmountHint : QStringLiteral("不能打印：") + problem);
}

void MainWindow::loadRecord(int position) {
    Num(0)->setText(NumberText(position));
    Grid& grid = WindowRegistry::instance().window<BatchWindow>()->grid();
    setBoxText(kPayeeName, grid.text(position, 1));
    setBoxText(kPayeeAddress, grid.text(position, 2));
    setBoxText(kPayeePostcode, grid.text(position, 3));
    setBoxText(kAmount, grid.text(position, 4));
    normaliseFields();
}

void MainWindow::setPrintRun(PrintRun run) {
    printRun_ = run ? std::move(run) : PrintRun(PrintRemittance);
}

void MainWindow::setCalibrationRun(CalibrationRun run) {
    calibrationRun_ = run ? std::move(run) : CalibrationRun(PrintCalibration);
}

void MainWindow::command(int index) {
    switch (index) {
        case 0:
            printShown();
            break;
        case 1:
            EndProgram();
            break;
        case 2:
            ShowPrintPreview();
            break;
        case 3:
            calibrationRun_(this);
            break;
        case 4: {
            OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
            dialog->show();
            dialog->raise();
            dialog->activateWindow();
            break;
        }
        case 5:
            showAbout();
            break;
        case 6:
            printAll();
            break;
        default:
            break;
    }
}

void MainWindow::tellNotPrinted(const PrintResult& result, const QString& what) {
    const QString reason = result.reason.isEmpty() ? QStringLiteral("打印机出错") : result.reason;
    services().dialogs->message(this, what + reason, QString(), MessageIcon::Exclamation);
}

void MainWindow::printShown() {
    appState().AskPrinter = kAskPrinterYes;
    const PrintResult result = printRun_(formContent(), this);
    if (result.status == PrintStatus::Failed || result.status == PrintStatus::Refused) {
        tellNotPrinted(result, QStringLiteral("汇款单没有打印：\n"));
    }
}

void MainWindow::printAll() {
    const QString countText = Num(1)->text();
    const std::optional<std::int16_t> count = RoundToInt16(LeadingNumber(countText));
    if (!count) {
        services().dialogs->message(
            this, QStringLiteral("汇款单个数“%1”超出范围，没有打印。").arg(countText.trimmed()), QString(),
            MessageIcon::Exclamation);
        return;
    }
    const int total = *count;
    if (total < 1) {
        return;
    }
    // A batch shows its progress and can be stopped between two forms.
    std::unique_ptr<QProgressDialog> progress;
    if (total > 1) {
        progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("停　止"), 0, total, this);
        progress->setWindowTitle(QStringLiteral("全部打印"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
    }
    int printed = 0;
    for (int i = 1; i <= total; ++i) {
        if (progress) {
            progress->setLabelText(QStringLiteral("第 %1 个，共 %2 个").arg(i).arg(total));
            progress->setValue(i - 1);
            if (progress->wasCanceled()) {
                break;
            }
        }
        NumScroll()->setValue(i);  // shows record i, when it is another than the one shown
        if (NumScroll()->value() != i) {
            // The count and the record cursor disagree: printing on would repeat the last record.
            if (progress) {
                progress->close();
            }
            services().dialogs->message(
                this,
                QStringLiteral("第 %1 个汇款单不在批量数据中，已停止打印。\n已打印 %2 个汇款单，共 %3 个。")
                    .arg(i)
                    .arg(printed)
                    .arg(total),
                QString(), MessageIcon::Exclamation);
            return;
        }
        appState().AskPrinter = 0;
        const PrintResult result = printRun_(formContent(), this);
        if (result.status == PrintStatus::Cancelled) {
            return;
        }
        if (result.status != PrintStatus::Printed) {
            if (progress) {
                progress->close();
            }
            tellNotPrinted(
                result, total == 1 ? QStringLiteral("汇款单没有打印：\n")
                                   : QStringLiteral("已打印 %1 个汇款单，共 %2 个。\n第 %3 个汇款单没有打印，"
                                                    "从它起的汇款单都没有打印：\n")
                                         .arg(printed)
                                         .arg(total)
                                         .arg(i));
            return;
        }
        ++printed;
        if (progress && progress->wasCanceled()) {
            break;
        }
    }
    if (progress) {
        const bool stopped = progress->wasCanceled() && printed < total;
        progress->close();
        if (stopped) {
            services().dialogs->message(
                this,
                QStringLiteral("已停止全部打印：已打印 %1 个汇款单（第 1 至第 %1 个），共 %2 个。")
                    .arg(printed)
                    .arg(total),
                QString(), MessageIcon::None);
        }
    }
}

void MainWindow::showAbout() {
    AboutWindow* about = WindowRegistry::instance().window<AboutWindow>();
    // Owned by the main window, the about window stays off the task bar and above its owner.
    if (windowHandle()) {
        about->winId();
        if (QWindow* handle = about->windowHandle()) {
            handle->setTransientParent(windowHandle());
        }
    }
    if (about->isVisible()) {
        about->raise();  // already shown: only brought forward
    } else {
        about->show();
    }
    about->activateWindow();
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Every repaint shows the numeric fields normalised, except the box the operator is typing in:
    // normalising it in mid-entry would change the amount under the operator's fingers.
    for (const int i : {kPayeePostcode, kRemitterPostcode, kAmount, kMobile}) {
        if (!txt_[i]->hasFocus()) {
            normaliseField(i);
        }
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The click that moves the focus into the amount box selects the whole amount instead of
    // putting the caret into it: the box holds the normalised text ("￥0.00" before anything is
    // typed), and digits typed at the caret would join the digits there into another amount (30
    // typed before "￥0.00" gives ￥300.00). Typing replaces the selection; a further click places
    // the caret as usual.
    if (watched == txt_[kAmount] && event->type() == QEvent::MouseButtonPress && amountFocusedByClick_) {
        amountFocusedByClick_ = false;
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            static_cast<QLineEdit*>(watched)->selectAll();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        for (int i = 0; i < kBoxCount; ++i) {
            if (watched != txt_[i]) {
                continue;
            }
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (event->type() == QEvent::FocusIn) {
                setBase(txt_[i], i == kAmount ? kAmountEditing : kEditingTint);
                amountFocusedByClick_ = i == kAmount && reason == Qt::MouseFocusReason;
            } else if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                // The box is left (its context menu or a switch to another program does not leave it).
                setBase(txt_[i], i == kAmount ? kAmountBase : QColor(Qt::transparent));
                normaliseField(i);
                if (i == kAmount) {
                    markAmount();
                }
            }
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram();
}

void EndProgram() {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            WindowRegistry::instance().destroyAll();
            // Leaves the event loop; outside it (a test driving the windows) there is nothing to leave.
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
}

}  // namespace velmora

#include "moc_main_window.cpp"
