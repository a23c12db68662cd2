#include "journal_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QShortcut>

#include "batch_window.h"
#include "dialogs.h"
#include "journal_export.h"
#include "print_commands.h"
#include "safe_file.h"
#include "services.h"
#include "ui_journal_window.h"
#include "window_registry.h"

namespace velmora {

namespace {

const QStringList kHeaders = {
    QStringLiteral("时间"), QStringLiteral("打印机或文件"), QStringLiteral("来源"), QStringLiteral("收款人"),
    QStringLiteral("邮编"), QStringLiteral("金额"),         QStringLiteral("结果")};

}  // namespace

JournalWindow::JournalWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::JournalForm>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    ui_->Entries->setColumnCount(int(kHeaders.size()));
    ui_->Entries->setHorizontalHeaderLabels(kHeaders);
    ui_->Entries->horizontalHeader()->setStretchLastSection(true);
    connect(ui_->Day, &QComboBox::currentIndexChanged, this, &JournalWindow::showDay);
    connect(ui_->ExportButton, &QPushButton::clicked, this, [this] { exportShown(false); });
    connect(ui_->ExcelExportButton, &QPushButton::clicked, this, [this] { exportShown(true); });
    connect(ui_->ReprintButton, &QPushButton::clicked, this, &JournalWindow::reprintChosen);
    connect(ui_->CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::refresh() {
    const QDate shown = ui_->Day->currentData().toDate();
    QSignalBlocker blocker(ui_->Day);
    ui_->Day->clear();
    if (PrintJournal* journal = services().journal) {
        for (const QDate& day : journal->days()) {
            ui_->Day->addItem(day.toString(QStringLiteral("yyyy-MM-dd")), day);
        }
    }
    const int again = ui_->Day->findData(shown);
    ui_->Day->setCurrentIndex(again >= 0 ? again : 0);
    showDay();
}

void JournalWindow::showDay() {
    PrintJournal* journal = services().journal;
    const QDate day = ui_->Day->currentData().toDate();
    entries_ = journal && day.isValid() ? journal->entriesOn(day) : std::vector<JournalEntry>();
    ui_->Entries->setRowCount(int(entries_.size()));
    for (int row = 0; row < int(entries_.size()); ++row) {
        const JournalEntry& entry = entries_[std::size_t(row)];
        const QString outcome = entry.reason.isEmpty()
                                    ? OutcomeText(entry.outcome)
                                    : QStringLiteral("%1：%2").arg(OutcomeText(entry.outcome), entry.reason);
        const QStringList cells = {entry.time.toString(QStringLiteral("HH:mm:ss")),
                                   entry.destination,
                                   SourceText(entry),
                                   entry.form.text(Field::PayeeName),
                                   entry.form.text(Field::PayeePostcode),
                                   entry.form.text(Field::Amount),
                                   outcome};
        for (int column = 0; column < int(cells.size()); ++column) {
            ui_->Entries->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    ui_->Entries->resizeColumnsToContents();
    const QString trouble = journal ? journal->trouble() : QStringLiteral("没有打印记录。");
    ui_->Total->setText(trouble.isEmpty() ? JournalTotalText(entries_) : trouble);
    ui_->ExportButton->setEnabled(!entries_.empty());
    ui_->ExcelExportButton->setEnabled(!entries_.empty());
    ui_->ReprintButton->setEnabled(!entries_.empty());
}

void JournalWindow::exportShown(bool excel) {
    const QString suffix = excel ? QStringLiteral("xlsx") : QStringLiteral("csv");
    std::optional<QString> path = services().dialogs->saveFileName(
        this, QStringLiteral("导出打印记录"),
        excel ? QStringLiteral("Excel 工作簿 (*.xlsx)") : QStringLiteral("CSV 文件 (*.csv)"));
    if (!path) {
        return;
    }
    if (QFileInfo(*path).suffix().isEmpty()) {
        *path += QLatin1Char('.') + suffix;
    }
    const BatchWindow* batch = WindowRegistry::instance().loaded<BatchWindow>();
    QString error = OwnFileRefusal(*path, batch ? batch->importedRequest().path : QString(),
                                   services().journal ? services().journal->path() : QString());
    if (error.isEmpty()) {
        const std::optional<QByteArray> data =
            excel ? JournalXlsx(entries_, &error) : std::optional(JournalCsv(entries_));
        if (data) {
            WritePrivateFile(*path, *data, &error);
        }
    }
    if (!error.isEmpty()) {
        services().dialogs->message(this, error, QStringLiteral("导出打印记录"), MessageIcon::Exclamation);
    }
}

void JournalWindow::reprintChosen() {
    const int row = ui_->Entries->currentRow();
    if (row < 0 || row >= int(entries_.size())) {
        services().dialogs->message(this, QStringLiteral("请先在表中选择要重新打印的汇款单。"),
                                    QStringLiteral("打印记录"), MessageIcon::None);
        return;
    }
    ReprintEntry(entries_[std::size_t(row)], this);
    refresh();
}

}  // namespace velmora
