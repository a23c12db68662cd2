#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
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
#include <QStringListModel>
#include <QTextDocument>
#include <QWindow>

#include "about_window.h"
#include "amount.h"
#include "app_state.h"
#include "batch_columns.h"
#include "batch_run.h"
#include "batch_window.h"
#include "calibration.h"
#include "dialogs.h"
#include "entry_boxes.h"
#include "form_check.h"
#include "import.h"
#include "journal.h"
#include "journal_window.h"
#include "number_text.h"
#include "open_workbook_dialog.h"
#include "print_commands.h"
#include "print_plan.h"
#include "print_preview.h"
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
constexpr int kRemitterName = indexOf(Field::RemitterName);
constexpr int kRemitterAddress = indexOf(Field::RemitterAddress);
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
    remitterNames_ = new QStringListModel(this);
    auto* completer = new QCompleter(remitterNames_, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this, &MainWindow::fillRemitter);
    static_cast<QLineEdit*>(txt_[kRemitterName])->setCompleter(completer);
    for (int i = 0; i < kBoxCount; ++i) {
        const auto changed = [this] { markProblems(); };
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

void MainWindow::markProblems() {
    CheckedForm checked = CheckForm(formContent());
    const DocumentInfo shown = document(NumScroll()->value(), false);
    checked.problems.insert(checked.problems.end(), shown.doubts.begin(), shown.doubts.end());
    // An empty or zero amount is refused only when the form is printed: a form being filled in is no
    // reason to paint the amount red.
    const AmountReading amount = ReadAmount(boxText(kAmount));
    const bool zeroAmount = amount.kind == AmountReading::Kind::Empty ||
                            (amount.kind == AmountReading::Kind::Amount && amount.money.fen() == 0);
    for (int i = 0; i < kBoxCount; ++i) {
        const auto notesOf = [i](const std::vector<FieldNote>& notes) {
            QStringList texts;
            for (const FieldNote& n : notes) {
                if (indexOf(n.field) == std::size_t(i)) {
                    texts << n.text;
                }
            }
            return texts;
        };
        const QStringList problems = notesOf(checked.problems);
        const QStringList warnings = notesOf(checked.warnings);
        const bool red = !problems.isEmpty() && !(i == kAmount && zeroAmount);
        QWidget* box = txt_[i];
        QPalette palette = box->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Text,
                             red ? kInvalidText : this->palette().color(group, QPalette::Text));
        }
        box->setPalette(palette);
        if (i == kAmount && focusWidget() != box) {
            setBase(box, red ? kInvalidBase : kAmountBase);
        }
        const QString hint = i == kAmount ? kAmountHint : QString();
        box->setToolTip(
            !problems.isEmpty()   ? QStringLiteral("不能打印：") + problems.join(QStringLiteral("；"))
            : !warnings.isEmpty() ? QStringLiteral("请注意：") + warnings.join(QStringLiteral("；"))
                                  : hint);
    }
}

int MainWindow::recordCount() const {
    return RoundToInt16(LeadingNumber(Num(1)->text())).value_or(0);
}

BatchWindow* MainWindow::batch() const {
    BatchWindow* window = WindowRegistry::instance().loaded<BatchWindow>();
    return window && window->holdsBatch() ? window : nullptr;
}

void MainWindow::discardBatch() {
    NumScroll()->setMaximum(1);
    NumScroll()->setPageStep(1);
    NumScroll()->setValue(1);
    Num(0)->setText(QStringLiteral("1"));
    Num(1)->setText(QStringLiteral("1"));
    for (const BatchColumn& column : kBatchColumns) {
        setBoxText(int(indexOf(column.field)), QString());
    }
    normaliseFields();
}

void MainWindow::loadRecord(int position) {
    Num(0)->setText(NumberText(position));
    Grid& grid = WindowRegistry::instance().window<BatchWindow>()->grid();
    for (const BatchColumn& column : kBatchColumns) {
        setBoxText(int(indexOf(column.field)), grid.text(position, column.gridColumn));
    }
    normaliseFields();
}

void MainWindow::command(int index) {
    switch (static_cast<Command>(index)) {
        case Command::Print:
            printShown();
            break;
        case Command::Exit:
            EndProgram();
            break;
        case Command::Preview:
            ShowPrintPreview();
            break;
        case Command::Calibrate:
            PrintCalibration(this);
            break;
        case Command::Import:
            WindowRegistry::showInFront(WindowRegistry::instance().window<OpenWorkbookDialog>());
            break;
        case Command::Help:
            showAbout();
            break;
        case Command::PrintAll:
            printAll();
            break;
        case Command::Journal:
            showJournal();
            break;
        case Command::Clear:
            clearForm();
            break;
    }
}

DocumentInfo MainWindow::document(int position, bool numberedFile) const {
    BatchWindow* window = batch();
    const int count = window ? recordCount() : 0;
    DocumentInfo info = window && position <= count
                            ? FormDocument(boxText(kPayeeName), position, count,
                                           QFileInfo(window->importedRequest().path).absoluteFilePath())
                            : FormDocument(boxText(kPayeeName));
    if (window && position <= count) {
        info.sheet = window->importedRequest().sheet;
    }
    info.numberedFile = numberedFile;
    if (info.record > 0) {
        info.doubts = DoubtNotes(window->doubts(), position);
    }
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
    TellNotPrinted(printForm(document(NumScroll()->value(), false)), QStringLiteral("汇款单没有打印：\n"),
                   this);
}

// "全部打印": records 1 to the count in Num(1), each shown in turn and printed as a document of its own,
// with no dialog. Without a batch the count is 1 and the form shown prints once.
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
    BatchWindow* window = batch();
    std::vector<int> records;
    if (window) {
        records = recordsToPrint(*window, *count);
    } else if (const CheckedForm checked = CheckForm(formContent()); checked.printable()) {
        records.push_back(1);
    } else {
        TellNotPrinted({PrintStatus::Refused, checked.problemText()}, QStringLiteral("汇款单没有打印：\n"),
                       this);
    }
    if (records.empty() || !CalibrationAllowsPrinting(this)) {
        return;
    }
    // Printing to files: one file a record, named by its number; files already there are replaced
    // only when the operator agrees.
    QStringList existing;
    for (const int record : records) {
        const QString file = services().printer->outputFile(document(record, window != nullptr));
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
    runRecords(window, records);
}

int MainWindow::editedRecord(BatchWindow& window, int count) const {
    const int shown = NumScroll()->value();
    if (shown < 1 || shown > count) {
        return 0;
    }
    const FormContent record = RecordForm(window.grid(), shown, formContent());
    for (const BatchColumn& column : kBatchColumns) {
        const QString held = column.field == Field::Amount ? NormalisedAmount(record.text(column.field))
                                                           : record.text(column.field);
        if (boxText(int(indexOf(column.field))) != held) {
            return shown;
        }
    }
    return 0;
}

std::vector<int> MainWindow::recordsToPrint(BatchWindow& window, int count) {
    // Printed before: in this batch, or, found in the journal, in an earlier run of the program.
    const DocumentInfo any = document(1, false);
    const auto printedBefore = [&](int record, const CheckedForm& form) {
        if (window.states()[std::size_t(record - 1)] == RecordState::Printed) {
            return QStringLiteral("在这批数据中已经打印");
        }
        const std::optional<JournalEntry> sent =
            services().journal ? services().journal->sentBefore(any.workbook, any.sheet, record, form.form)
                               : std::nullopt;
        return sent ? QStringLiteral("已于 %1 发送到 %2")
                          .arg(sent->time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), sent->destination)
                    : QString();
    };
    const PrintPlan plan = PlanPrint(window.grid(), count, formContent(), printedBefore, window.doubts());
    const int edited = editedRecord(window, count);
    if (plan.clean() && edited == 0) {
        return plan.records;
    }
    QStringList buttons;
    std::vector<std::vector<int>> choices;
    if (!plan.records.empty()) {
        buttons << QStringLiteral("打印 %1 个汇款单").arg(plan.records.size());
        choices.push_back(plan.records);
    }
    if (!plan.printedBefore.empty()) {
        buttons << QStringLiteral("连同已打印的 %1 个一起打印").arg(plan.printedBefore.size());
        choices.push_back(plan.withReprints());
    }
    buttons << QStringLiteral("不打印");
    const int chosen = services().dialogs->choose(
        this, PlanQuestion(plan, edited), QStringLiteral("全部打印"), buttons, int(buttons.size()) - 1);
    return chosen >= 0 && chosen < int(choices.size()) ? choices[std::size_t(chosen)] : std::vector<int>{};
}

void MainWindow::runRecords(BatchWindow* window, const std::vector<int>& records) {
    const int total = int(records.size());
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
    int done = 0;
    BatchRunSteps steps;
    steps.show = [&](int record) {
        if (progress) {
            progress->setLabelText(
                QStringLiteral("正在打印第 %1 个汇款单（%2/%3）").arg(record).arg(done + 1).arg(total));
            progress->setValue(done);
        }
        NumScroll()->setValue(record);  // the record change shows it, when it is another than the one shown
        return NumScroll()->value() == record;
    };
    steps.print = [&](int record) {
        appState().AskPrinter = 0;
        return printForm(document(record, window != nullptr));
    };
    steps.done = [&](int, const PrintResult&) { ++done; };
    steps.stopRequested = [&] { return progress && progress->wasCanceled(); };
    const BatchRunReport report = RunBatch(records, steps);
    if (progress) {
        progress->close();
    }
    if (report.failedAt > 0) {
        const QString what =
            total > 1 ? QStringLiteral("已打印 %1 个汇款单，共 %2 个。第 %3 个汇款单没有打印，打印已停止：\n")
                            .arg(report.printed)
                            .arg(total)
                            .arg(report.failedAt)
                      : QStringLiteral("汇款单没有打印：\n");
        TellNotPrinted(report.failure, what, this);
    } else if (report.stoppedAt > 0) {
        NumScroll()->setValue(report.stoppedAt);
        RecordStopped(formContent(), document(report.stoppedAt, true),
                      QStringLiteral("操作员停止了全部打印，第 %1 个汇款单起未打印").arg(report.stoppedAt),
                      this);
        services().dialogs->message(
            this,
            QStringLiteral("已停止全部打印：已打印 %1 个汇款单，共 %2 个。第 %3 个起没有打印。")
                .arg(report.printed)
                .arg(total)
                .arg(report.stoppedAt),
            QString(), MessageIcon::None);
    }
}

void MainWindow::showJournal() {
    JournalWindow* journal = WindowRegistry::instance().window<JournalWindow>();
    journal->refresh();
    WindowRegistry::showInFront(journal);
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
    WindowRegistry::showInFront(about);  // already shown: only brought forward
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
                if (i == kRemitterName) {
                    offerRemitters();
                }
                setBase(txt_[i], i == kAmount ? kAmountEditing : kEditingTint);
                amountFocusedByClick_ = i == kAmount && reason == Qt::MouseFocusReason;
            } else if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                // The box is left (its context menu or a switch to another program does not leave it).
                setBase(txt_[i], i == kAmount ? kAmountBase : QColor(Qt::transparent));
                normaliseField(i);
                markProblems();
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

void MainWindow::offerRemitters() {
    constexpr int kRemitters = 20;
    remitters_ =
        services().journal ? services().journal->recentRemitters(kRemitters) : std::vector<FormContent>{};
    QStringList names;
    for (const FormContent& remitter : remitters_) {
        names << remitter.text(Field::RemitterName);
    }
    remitterNames_->setStringList(names);
}

void MainWindow::fillRemitter(const QString& name) {
    for (const FormContent& remitter : remitters_) {
        if (remitter.text(Field::RemitterName) == name) {
            setBoxText(kRemitterAddress, remitter.text(Field::RemitterAddress));
            setBoxText(kRemitterPostcode, remitter.text(Field::RemitterPostcode));
            normaliseField(kRemitterPostcode);
            return;
        }
    }
}

void MainWindow::clearForm() {
    // A batch record keeps its payee boxes: they show the grid's row.
    for (const Field field : kFields) {
        if (!batch() || GridColumnOf(field) == 0) {
            setBoxText(int(indexOf(field)), QString());
        }
    }
    for (QCheckBox* check : chk_) {
        check->setCheckState(Qt::Unchecked);
    }
    normaliseFields();
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
