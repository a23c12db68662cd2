#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QWindow>

#include "about_window.h"
#include "amount.h"
#include "app_state.h"
#include "batch_window.h"
#include "calibration.h"
#include "dialogs.h"
#include "entry_boxes.h"
#include "form_check.h"
#include "import.h"
#include "journal_window.h"
#include "number_text.h"
#include "open_workbook_dialog.h"
#include "print_commands.h"
#include "print_plan.h"
#include "print_preview.h"
#include "remembered.h"
#include "rounding.h"
#include "services.h"
#include "spaced_line_edit.h"
#include "ui_main_window.h"
#include "window_design.h"
#include "window_registry.h"

// The form picture and the icon are compiled into the library; a static library must ask for them.
static void initVelmoraResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora {

namespace {

constexpr int kPayeeName = indexOf(Field::PayeeName);
constexpr int kPayeeAddress = indexOf(Field::PayeeAddress);
constexpr int kPayeePostcode = indexOf(Field::PayeePostcode);
constexpr int kRemitterPostcode = indexOf(Field::RemitterPostcode);
constexpr int kAmount = indexOf(Field::Amount);
constexpr int kMobile = indexOf(Field::Mobile);
constexpr int kMessage = indexOf(Field::Message);

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

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::MainWindowForm>()) {
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
    // The remitter's boxes, the mobile number, the message and the ticks as the operator left them.
    const FormContent remembered = RememberedCommonBoxes(*services().settings);
    for (const Field field : kRememberedFields) {
        setBoxText(int(indexOf(field)), remembered.text(field));
    }
    for (int i = 0; i < kBoxCount; ++i) {
        chk_[i]->setCheckState(remembered.checks[std::size_t(i)] == CheckValue::Ticked ? Qt::Checked
                               : remembered.checks[std::size_t(i)] == CheckValue::Greyed
                                   ? Qt::PartiallyChecked
                                   : Qt::Unchecked);
        connect(chk_[i], &QCheckBox::stateChanged, this, &MainWindow::rememberCommonBoxes);
    }
    // The record number and count are display only, yet must read as clearly as any text.
    for (QLineEdit* display : {ui_->Num_0, ui_->Num_1}) {
        QPalette palette = display->palette();
        palette.setColor(QPalette::Disabled, QPalette::Text,
                         palette.color(QPalette::Active, QPalette::WindowText));
        palette.setColor(QPalette::Disabled, QPalette::Base, Qt::transparent);
        display->setPalette(palette);
    }
    connect(ui_->NumScroll, &QScrollBar::valueChanged, this, &MainWindow::loadRecord);
    // Right and Down move to the next record, Left and Up to the one before (a scroll bar inverts its
    // arrow keys by default, and a slider takes Down for back).
    ui_->NumScroll->setInvertedControls(false);
    ui_->NumScroll->installEventFilter(this);
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
    txt_[kAmount]->setToolTip(kAmountHint);
    for (int i = 0; i < kBoxCount; ++i) {
        const auto changed = [this, i] {
            writeBack(i);
            markProblems();
        };
        if (auto* line = qobject_cast<QLineEdit*>(txt_[i])) {
            connect(line, &QLineEdit::textChanged, this, changed);
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(txt_[i])) {
            connect(text, &QPlainTextEdit::textChanged, this, changed);
        }
    }
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

FormContent MainWindow::formContent() const {
    FormContent form;
    for (int i = 0; i < kBoxCount; ++i) {
        form.texts[i] = boxText(i);
        // Qt counts the greyed state as 1 and the ticked as 2.
        const Qt::CheckState state = chk_[i]->checkState();
        form.checks[i] = state == Qt::Checked            ? CheckValue::Ticked
                         : state == Qt::PartiallyChecked ? CheckValue::Greyed
                                                         : CheckValue::Clear;
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
            // A text that is not wholly an amount keeps what it holds and is marked, never read as the
            // number it begins with.
            const QString normalised = NormalisedAmount(boxText(kAmount), formSource());
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

FormSource MainWindow::formSource() const {
    return batch() ? FormSource::Batch : FormSource::Typed;
}

void MainWindow::markProblems() {
    const CheckedForm checked = CheckForm(formContent(), formSource());
    for (int i = 0; i < kBoxCount; ++i) {
        QStringList problems;
        for (const FieldNote& n : checked.problems) {
            if (indexOf(n.field) == std::size_t(i)) {
                problems << n.text;
            }
        }
        QWidget* box = txt_[i];
        QPalette palette = box->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(
                group, QPalette::Text,
                problems.isEmpty() ? this->palette().color(group, QPalette::Text) : kInvalidText);
        }
        box->setPalette(palette);
        if (i == kAmount && focusWidget() != box) {
            setBase(box, problems.isEmpty() ? kAmountBase : kInvalidBase);
        }
        const QString hint = i == kAmount ? kAmountHint : QString();
        box->setToolTip(
            problems.isEmpty() ? hint : QStringLiteral("不能打印：") + problems.join(QStringLiteral("；")));
    }
}

int MainWindow::recordCount() const {
    return RoundToInt16(LeadingNumber(Num(1)->text())).value_or(0);
}

BatchWindow* MainWindow::batch() const {
    BatchWindow* window = WindowRegistry::instance().loaded<BatchWindow>();
    return window && window->holdsBatch() ? window : nullptr;
}

void MainWindow::writeBack(int box) {
    static constexpr std::pair<int, int> kPayeeColumns[] = {{kPayeeName, kColumnPayee},
                                                            {kPayeeAddress, kColumnAddress},
                                                            {kPayeePostcode, kColumnPostcode},
                                                            {kAmount, kColumnAmount}};
    BatchWindow* window = batch();
    const int position = NumScroll()->value();
    if (loadingRecord_ || !window || position > recordCount()) {
        return;
    }
    for (const auto& [index, column] : kPayeeColumns) {
        if (index == box && window->grid().text(position, column) != boxText(box)) {
            window->grid().setText(position, column, boxText(box));
        }
    }
}

MainWindow::RecordCursor MainWindow::recordCursor() const {
    return {NumScroll()->maximum(),
            NumScroll()->pageStep(),
            NumScroll()->value(),
            Num(0)->text(),
            Num(1)->text(),
            {boxText(kPayeeName), boxText(kPayeeAddress), boxText(kPayeePostcode), boxText(kAmount)}};
}

void MainWindow::setRecordCursor(const RecordCursor& cursor) {
    const QSignalBlocker blocker(NumScroll());
    NumScroll()->setMaximum(cursor.maximum);
    NumScroll()->setPageStep(cursor.pageStep);
    NumScroll()->setValue(cursor.value);
    Num(0)->setText(cursor.number);
    Num(1)->setText(cursor.count);
    loadingRecord_ = true;
    const int boxes[] = {kPayeeName, kPayeeAddress, kPayeePostcode, kAmount};
    for (std::size_t k = 0; k < cursor.payee.size(); ++k) {
        setBoxText(boxes[k], cursor.payee[k]);
    }
    loadingRecord_ = false;
    normaliseFields();
}

void MainWindow::loadRecord(int position) {
    Num(0)->setText(NumberText(position));
    Grid& grid = WindowRegistry::instance().window<BatchWindow>()->grid();
    loadingRecord_ = true;
    setBoxText(kPayeeName, grid.text(position, kColumnPayee));
    setBoxText(kPayeeAddress, grid.text(position, kColumnAddress));
    setBoxText(kPayeePostcode, grid.text(position, kColumnPostcode));
    setBoxText(kAmount, grid.text(position, kColumnAmount));
    normaliseFields();
    loadingRecord_ = false;
}

void MainWindow::command(int index) {
    switch (index) {
        case 0:
            printShown();
            break;
        case 1:
            if (mayLeave()) {
                EndProgram();
            }
            break;
        case 2:
            ShowPrintPreview();
            break;
        case 3:
            PrintCalibration(this);
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
        case 7:
            showJournal();
            break;
        case 8:
            clearForm();
            break;
        default:
            break;
    }
}

void MainWindow::tellNotPrinted(const PrintResult& result, const QString& what) {
    const QString reason = result.reason.isEmpty() ? QStringLiteral("打印机出错") : result.reason;
    services().dialogs->message(this, what + reason, QString(), MessageIcon::Exclamation);
}

DocumentInfo MainWindow::document(int position, bool numberedFile) const {
    BatchWindow* window = batch();
    const int count = window ? recordCount() : 0;
    DocumentInfo info = window && position <= count ? FormDocument(boxText(kPayeeName), position, count,
                                                                   window->importedRequest().path)
                                                    : FormDocument(boxText(kPayeeName));
    info.numberedFile = numberedFile;
    return info;
}

PrintResult MainWindow::printForm(const DocumentInfo& info) {
    const PrintResult result =
        PrintFromWindow(formContent(), appState().AskPrinter == kAskPrinterYes, this, info);
    if (BatchWindow* window = batch(); window && info.record > 0) {
        if (result.status == PrintStatus::Printed) {
            window->markRecord(info.record, RecordState::Printed);
        } else if (result.status == PrintStatus::Failed) {
            window->markRecord(info.record, RecordState::Failed);
        }
    }
    return result;
}

void MainWindow::printShown() {
    appState().AskPrinter = kAskPrinterYes;
    const PrintResult result = printForm(document(NumScroll()->value(), false));
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
    if (*count < 1) {
        return;
    }
    if (BatchWindow* window = batch()) {
        printRecords(*window, *count);
        return;
    }
    // Without a batch: the form shown, once.
    NumScroll()->setValue(1);
    const CheckedForm checked = CheckForm(formContent(), FormSource::Typed);
    if (!checked.printable()) {
        tellNotPrinted({PrintStatus::Refused, checked.problemText()}, QStringLiteral("汇款单没有打印：\n"));
        return;
    }
    const std::optional<qint64> fen = AmountInFen(checked.form.text(Field::Amount));
    if (!services().dialogs->askYesNo(
            this,
            QStringLiteral("将打印 1 个汇款单（收款人：%1），合计 %2。是否开始打印？")
                .arg(boxText(kPayeeName), MoneyText(fen.value_or(0))),
            QStringLiteral("全部打印"))) {
        return;
    }
    appState().AskPrinter = 0;
    const PrintResult result = printForm(document(1, false));
    if (result.status == PrintStatus::Failed || result.status == PrintStatus::Refused) {
        tellNotPrinted(result, QStringLiteral("汇款单没有打印：\n"));
    }
}

// "全部打印" over a batch: every record of the range checked first, the operator asked once, then the
// records printed one document each, each marked as it went; a run that stops can be resumed from the
// first record not printed.
void MainWindow::printRecords(BatchWindow& window, int count) {
    const Grid& grid = window.grid();
    const FormContent common = formContent();
    PrintAllQuestion question;
    question.count = count;
    question.first = FirstNotPrinted(grid, window.states(), count);
    question.last = count;
    question.plan = [&](int first, int last, bool reprint) {
        return PlanPrint(grid, window.states(), first, last, reprint, common);
    };
    const std::optional<PrintAllAnswer> answer = services().dialogs->confirmPrintAll(this, question);
    if (!answer) {
        return;
    }
    const PrintPlan plan = question.plan(answer->first, answer->last, answer->reprint);
    const int total = int(plan.records.size());
    if (total == 0) {
        return;
    }
    // Printing to files: one file a record, named by its number; files already there are replaced
    // only when the operator agrees.
    QStringList existing;
    for (const int record : plan.records) {
        DocumentInfo info = FormDocument({}, record, count);
        info.numberedFile = true;
        const QString file = services().printer->outputFile(info);
        if (!file.isEmpty() && QFileInfo::exists(file)) {
            existing << QDir::toNativeSeparators(file);
        }
    }
    if (!existing.isEmpty() &&
        !services().dialogs->askYesNo(this,
                                      QStringLiteral("以下 %1 个文件已经存在：\n%2\n\n是否替换它们？")
                                          .arg(existing.size())
                                          .arg(existing.mid(0, 10).join(QLatin1Char('\n'))),
                                      QStringLiteral("全部打印"))) {
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
    for (const int record : plan.records) {
        if (progress) {
            progress->setLabelText(
                QStringLiteral("正在打印第 %1 个汇款单（%2/%3）").arg(record).arg(printed + 1).arg(total));
            progress->setValue(printed);
            if (progress->wasCanceled()) {
                break;
            }
        }
        NumScroll()->setValue(record);  // shows the record, when it is another than the one shown
        if (NumScroll()->value() != record) {
            // The count and the record cursor disagree: printing on would repeat another record.
            if (progress) {
                progress->close();
            }
            services().dialogs->message(
                this,
                QStringLiteral("第 %1 个汇款单不在批量数据中，已停止打印。\n已打印 %2 个汇款单，共 %3 个。")
                    .arg(record)
                    .arg(printed)
                    .arg(total),
                QString(), MessageIcon::Exclamation);
            return;
        }
        appState().AskPrinter = 0;
        const PrintResult result = printForm(document(record, true));
        if (result.status != PrintStatus::Printed) {
            if (progress) {
                progress->close();
            }
            tellNotPrinted(result,
                           QStringLiteral("已打印 %1 个汇款单，共 %2 个。第 %3 个汇款单没有打印，打印已停止；"
                                          "再按“全部打印”可从第 %3 个接着打印：\n")
                               .arg(printed)
                               .arg(total)
                               .arg(record));
            return;
        }
        ++printed;
    }
    if (progress) {
        const bool stopped = progress->wasCanceled() && printed < total;
        progress->close();
        if (stopped) {
            const int next = plan.records[std::size_t(printed)];
            NumScroll()->setValue(next);
            RecordStopped(formContent(), document(next, true),
                          QStringLiteral("操作员停止了全部打印，第 %1 个汇款单起未打印").arg(next), this);
            services().dialogs->message(
                this,
                QStringLiteral(
                    "已停止全部打印：已打印 %1 个汇款单，共 %2 个。再按“全部打印”可从第 %3 个接着打印。")
                    .arg(printed)
                    .arg(total)
                    .arg(plan.records[std::size_t(printed)]),
                QString(), MessageIcon::None);
        }
    }
}

void MainWindow::showJournal() {
    JournalWindow* journal = WindowRegistry::instance().window<JournalWindow>();
    journal->refresh();
    journal->show();
    journal->raise();
    journal->activateWindow();
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
        if (focusWidget() != txt_[i]) {
            normaliseField(i);
        }
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->NumScroll && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            ui_->NumScroll->triggerAction(key == Qt::Key_Down ? QAbstractSlider::SliderSingleStepAdd
                                                              : QAbstractSlider::SliderSingleStepSub);
            return true;
        }
    }
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
                markProblems();
                if (std::find(std::begin(kRememberedFields), std::end(kRememberedFields), Field(i)) !=
                    std::end(kRememberedFields)) {
                    rememberCommonBoxes();
                }
            }
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!mayLeave()) {
        event->ignore();
        return;
    }
    event->accept();
    EndProgram();
}

bool MainWindow::mayLeave() {
    BatchWindow* window = batch();
    if (!window) {
        return true;
    }
    const int count = recordCount();
    int left = 0;
    for (int record = 1; record <= count; ++record) {
        if (window->states()[std::size_t(record - 1)] != RecordState::Printed &&
            !IsBlankRecord(RecordForm(window->grid(), record, {}))) {
            ++left;
        }
    }
    return left == 0 ||
           services().dialogs->askYesNo(
               this, QStringLiteral("批量数据中还有 %1 个汇款单没有打印。确实要退出吗？").arg(left),
               QStringLiteral("退出"));
}

void MainWindow::rememberCommonBoxes() {
    RememberCommonBoxes(*services().settings, formContent());
}

void MainWindow::clearForm() {
    std::vector<Field> fields(std::begin(kRememberedFields), std::end(kRememberedFields));
    if (!batch()) {
        fields.insert(fields.end(),
                      {Field::PayeeName, Field::PayeeAddress, Field::PayeePostcode, Field::Amount});
    }
    for (const Field field : fields) {
        setBoxText(int(indexOf(field)), QString());
    }
    for (QCheckBox* check : chk_) {
        check->setCheckState(Qt::Unchecked);
    }
    normaliseFields();
    rememberCommonBoxes();
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
