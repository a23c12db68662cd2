#include "batch_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <cmath>
#include <limits>
#include <optional>

#include "app_state.h"
#include "batch_columns.h"
#include "blanks.h"
#include "dialogs.h"
#include "form_check.h"
#include "main_window.h"
#include "number_text.h"
#include "open_workbook_dialog.h"
#include "rounding.h"
#include "services.h"
#include "table_widget_grid.h"
#include "ui_batch_window.h"
#include "window_design.h"
#include "window_registry.h"

namespace velmora {

namespace {

// The grid's column widths in twips (1 pixel = 15 twips), and the row-number column's heading.
constexpr int kColumnWidthsTwips[BatchWindow::kGridCols] = {400, 800, 6400, 650, 1150};
constexpr char16_t kRowNumberHeading[] = u"序号";
constexpr int kRowHeightTwips = 260;

// Qt's own in-place editing of a cell: the editor opens over the cell on a double-click and writes
// its text, as typed, into that same cell when it loses the focus. The cell it was opened over is
// remembered in EditRow and EditCol.
class CellEditorDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("Text1"));
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Text, palette.color(QPalette::Active, QPalette::Highlight));
        editor->setPalette(palette);
        appState().EditRow = static_cast<std::int16_t>(index.row() + 1);
        appState().EditCol = static_cast<std::int16_t>(index.column() + 1);
        return editor;
    }
};

}  // namespace

BatchWindow::BatchWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::BatchWindow>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    setWindowTitle(QString());
    setFixedSize(size());
    ApplyFractionalPointSizes(this);
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora_icon.png")));
    QTableWidget* table = ui_->Table1;
    table->setRowCount(kGridRows - 1);
    table->setColumnCount(kGridCols - 1);
    table->setItemDelegate(new CellEditorDelegate(table));
    table->verticalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setMinimumSectionSize(1);
    grid_ = std::make_unique<TableWidgetGrid>(table);
    if (auto* corner = table->findChild<QAbstractButton*>()) {
        corner->installEventFilter(this);
    }
    connect(table, &QTableWidget::itemChanged, this, &BatchWindow::onItemChanged);
    connect(ui_->Command1_0, &QPushButton::clicked, this, [this] { command1Click(0); });
    connect(ui_->Command1_1, &QPushButton::clicked, this, [this] { command1Click(1); });
    connect(ui_->Command1_2, &QPushButton::clicked, this, [this] { command1Click(2); });
    ui_->UnreadNotice->hide();
    states_.assign(kGridRows - 1, RecordState::NotPrinted);
    // Load.
    appState().ImportDone = 0;
    appState().RowCount = 1;
}

BatchWindow::~BatchWindow() = default;

QTableWidget* BatchWindow::Table1() const {
    return ui_->Table1;
}

QRadioButton* BatchWindow::Option1(int index) const {
    switch (index) {
        case 0:
            return ui_->Option1_0;
        case 1:
            return ui_->Option1_1;
        case 2:
            return ui_->Option1_2;
        case 3:
            return ui_->Option1_3;
        default:
            return nullptr;
    }
}

QPushButton* BatchWindow::Command1(int index) const {
    switch (index) {
        case 0:
            return ui_->Command1_0;
        case 1:
            return ui_->Command1_1;
        case 2:
            return ui_->Command1_2;
        default:
            return nullptr;
    }
}

QLabel* BatchWindow::summary() const {
    return ui_->Summary;
}

QColor BatchWindow::flagColour() {
    return QColor(255, 205, 205);
}

QColor BatchWindow::warningColour() {
    return QColor(255, 240, 180);
}

std::int16_t BatchWindow::selectedRule() const {
    for (int k = 0; k < 4; ++k) {
        if (Option1(k)->isChecked()) {
            return static_cast<std::int16_t>(k);
        }
    }
    return -1;
}

std::int16_t SelectedRule() {
    return WindowRegistry::instance().window<BatchWindow>()->selectedRule();
}

void BatchWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (appState().ImportDone != 0) {
        return;
    }
    // First of all, so that no later paint starts the import again. The import itself runs as soon
    // as this paint has returned: its message box must not open inside a paint.
    appState().ImportDone = 1;
    QMetaObject::invokeMethod(this, &BatchWindow::runImport, Qt::QueuedConnection);
}

void BatchWindow::setUpGrid() {
    QTableWidget* table = ui_->Table1;
    table->verticalHeader()->setFixedWidth(TwipsToPixels(kColumnWidthsTwips[0]));
    for (int t = 1; t < kGridCols; ++t) {
        table->horizontalHeader()->resizeSection(t - 1, TwipsToPixels(kColumnWidthsTwips[t]));
    }
    grid().setText(0, 0, QString::fromUtf16(kRowNumberHeading));
    for (const BatchColumn& column : kBatchColumns) {
        grid().setText(0, column.gridColumn, QString::fromUtf16(column.heading));
    }
    // The row numbers in the general alignment: numbers to the right.
    table->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->verticalHeader()->setDefaultSectionSize(TwipsToPixels(kRowHeightTwips));
    for (int r = 1; r < kGridRows; ++r) {
        grid().setText(r, 0, QString::number(r));
    }
}

// Reads the workbook into a grid of its own: the batch in the window's grid, the main window's count
// and its boxes are replaced only when the import succeeds, so a failed import leaves them as they
// were.
void BatchWindow::runImport() {
    WindowRegistry::centreOnScreen(this);
    setUpGrid();
    OpenWorkbookDialog* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
    const std::optional<ImportRequest> request = dialog->request();
    ImportOutcome outcome;
    if (!request) {
        // A pasted first row beyond 16 bits gets the overflow message instead of reaching the import.
        outcome.error = kErrorOverflow;
        outcome.message = ImportErrorMessage(kErrorOverflow);
    } else {
        MemoryGrid read(kGridRows, kGridCols);
        outcome = ImportWorkbook(*request, read);
        if (outcome.result() == 0) {
            takeImport(*request, read, outcome);
        }
    }
    if (outcome.result() != 0) {
        services().dialogs->message(this, outcome.message, QString(), MessageIcon::None);
        WindowRegistry::showInFront(dialog);
        hide();
    }
}

void BatchWindow::takeImport(const ImportRequest& request, const Grid& read, const ImportOutcome& outcome) {
    handedOver_ = false;
    request_ = request;
    bulkUpdate_ = true;
    for (int r = 1; r < kGridRows; ++r) {
        for (int c = 1; c < kGridCols; ++c) {
            grid().setText(r, c, read.text(r, c));
        }
    }
    bulkUpdate_ = false;
    appState().RowCount = static_cast<std::int16_t>(outcome.rowsRead);
    doubts_ = outcome.doubts;
    const QString notice = UnreadDataNotice(outcome);
    ui_->UnreadNotice->setText(notice);
    ui_->UnreadNotice->setToolTip(notice);
    ui_->UnreadNotice->setVisible(!notice.isEmpty());
    for (int record = 1; record < kGridRows; ++record) {
        markRecord(record, RecordState::NotPrinted);
    }
    refreshFlags();
}

void BatchWindow::command1Click(int index) {
    switch (index) {
        case 0:
            close();
            break;
        case 1:
            handOver();
            break;
        case 2: {
            const std::int16_t rule = SelectedRule();
            if (rule >= 0) {
                bulkUpdate_ = true;
                CleanRows(grid(), rule, appState().RowCount, &doubts_);
                bulkUpdate_ = false;
                refreshFlags();
            }
            break;
        }
        default:
            break;
    }
}

// "导　入": the main window's record cursor walks the batch from record 1 to n, the last row with a
// payee, an address or a postcode.
void BatchWindow::handOver() {
    const int n = HandOverCount(grid());
    handedOver_ = true;
    MainWindow* main = WindowRegistry::instance().window<MainWindow>();
    main->Num(1)->setText(NumberText(n));
    // A scroll bar cannot range from 1 to 0: an empty batch keeps the range 1 to 1, and its count
    // of 0 makes "全部打印" print nothing.
    main->NumScroll()->setMaximum(std::max(n, 1));
    main->NumScroll()->setPageStep(LargeStep(n));
    main->NumScroll()->setValue(1);
    // Record 1 is shown even when the cursor was on 1 already and so did not move: the boxes may
    // hold a form typed by hand, which must not pass for record 1.
    main->loadRecord(1);
    hide();
}

// Closing the window ends the batch: the main window goes back to one record, its payee boxes
// emptied.
void BatchWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    handedOver_ = false;
    if (MainWindow* main = WindowRegistry::instance().loaded<MainWindow>()) {
        main->discardBatch();
    }
}

void BatchWindow::markRecord(int record, RecordState state) {
    if (record < 1 || record >= kGridRows) {
        return;
    }
    states_[std::size_t(record - 1)] = state;
    QTableWidgetItem* header = ui_->Table1->verticalHeaderItem(record - 1);
    if (!header) {
        return;
    }
    header->setBackground(state == RecordState::Printed  ? QBrush(QColor(200, 235, 200))
                          : state == RecordState::Failed ? QBrush(flagColour())
                                                         : QBrush());
    header->setToolTip(state == RecordState::Printed  ? QStringLiteral("已打印")
                       : state == RecordState::Failed ? QStringLiteral("打印失败")
                                                      : QString());
}

void BatchWindow::refreshFlags() {
    for (int row = 1; row < kGridRows; ++row) {
        refreshRowFlags(row);
    }
    refreshSummary();
}

void BatchWindow::refreshSummary() {
    const BatchSummary summary = SummariseBatch(grid(), HandOverCount(grid()), {}, doubts_);
    ui_->Summary->setText(summary.text());
}

// Marks the cells of a record that the form cannot print as they stand (red), or that print
// otherwise than they read (yellow), with the reasons as tooltips. The text stays as it is.
void BatchWindow::refreshRowFlags(int row) {
    const bool wasBulk = bulkUpdate_;
    bulkUpdate_ = true;  // colouring a cell changes its item: not an edit
    const FormContent record = RecordForm(grid(), row, {});
    CheckedForm checked = IsBlankRecord(record) ? CheckedForm{} : CheckForm(record);
    for (FieldNote& doubt : DoubtNotes(doubts_, row)) {
        checked.problems.push_back(std::move(doubt));
    }
    QTableWidget* table = ui_->Table1;
    for (const BatchColumn& batchColumn : kBatchColumns) {
        const int column = batchColumn.gridColumn;
        QStringList problems;
        QStringList warnings;
        for (const FieldNote& n : checked.problems) {
            if (n.field == batchColumn.field) {
                problems << n.text;
            }
        }
        for (const FieldNote& n : checked.warnings) {
            if (n.field == batchColumn.field) {
                warnings << n.text;
            }
        }
        QTableWidgetItem* item = table->item(row - 1, column - 1);
        if (problems.isEmpty() && warnings.isEmpty()) {
            if (item && (item->data(Qt::BackgroundRole).isValid() || !item->toolTip().isEmpty())) {
                item->setData(Qt::BackgroundRole, QVariant());
                item->setToolTip(QString());
            }
            continue;
        }
        if (!item) {
            item = new QTableWidgetItem();
            table->setItem(row - 1, column - 1, item);
        }
        const QString tip = problems.isEmpty()
                                ? QStringLiteral("请注意：") + warnings.join(QStringLiteral("；"))
                                : QStringLiteral("不能打印：") + problems.join(QStringLiteral("；"));
        if (item->toolTip() != tip) {
            item->setBackground(problems.isEmpty() ? warningColour() : flagColour());
            item->setToolTip(tip);
        }
    }
    bulkUpdate_ = wasBulk;
}

void BatchWindow::onItemChanged(QTableWidgetItem* item) {
    if (!bulkUpdate_ && item) {
        // The operator's text is what the cell holds now, whatever the workbook computed.
        doubts_.erase({item->row() + 1, item->column() + 1});
        refreshRowFlags(item->row() + 1);
        refreshSummary();
    }
}

bool BatchWindow::eventFilter(QObject* watched, QEvent* event) {
    // The corner of the grid shows the row-number column's heading.
    auto* corner = qobject_cast<QAbstractButton*>(watched);
    if (corner && event->type() == QEvent::Paint) {
        QStylePainter painter(corner);
        QStyleOptionHeader option;
        option.initFrom(corner);
        option.rect = corner->rect();
        option.text = grid().text(0, 0);
        option.textAlignment = Qt::AlignCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        painter.drawControl(QStyle::CE_Header, option);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velmora
