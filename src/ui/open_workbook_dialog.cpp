#include "open_workbook_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "app_state.h"
#include "batch_window.h"
#include "blanks.h"
#include "dialogs.h"
#include "help_file.h"
#include "import.h"
#include "main_window.h"
#include "number_text.h"
#include "rounding.h"
#include "services.h"
#include "ui_fopen.h"
#include "window_design.h"
#include "window_registry.h"

namespace velmora {

namespace {

constexpr int kPathBox = 0;
constexpr int kFirstRowBox = 2;
constexpr int kFirstColumnBox = 3;
constexpr char16_t kBackspace = 8;

}  // namespace

OpenWorkbookDialog::OpenWorkbookDialog(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::OpenWorkbookDialog>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    setFixedSize(size());
    text1_ = {ui_->Text1_0, ui_->Text1_1, ui_->Text1_2, ui_->Text1_3,
              ui_->Text1_4, ui_->Text1_5, ui_->Text1_6};
    ApplyFractionalPointSizes(this);
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora_icon.png")));
    for (int i = 0; i < static_cast<int>(text1_.size()); ++i) {
        text1_[static_cast<std::size_t>(i)]->installEventFilter(this);
        // Digits and column letters are typed, never composed by an input method.
        if (i >= kFirstRowBox) {
            text1_[static_cast<std::size_t>(i)]->setAttribute(Qt::WA_InputMethodEnabled, false);
        }
    }
    connect(ui_->Command1, &QPushButton::clicked, this, &OpenWorkbookDialog::browse);
    connect(ui_->Command2_0, &QPushButton::clicked, this, [this] { command2Click(0); });
    connect(ui_->Command2_1, &QPushButton::clicked, this, [this] { command2Click(1); });
    connect(ui_->Command2_2, &QPushButton::clicked, this, [this] { command2Click(2); });
    ui_->Text1_0->setFocus();
}

OpenWorkbookDialog::~OpenWorkbookDialog() = default;

QPushButton* OpenWorkbookDialog::Command1() const {
    return ui_->Command1;
}

QPushButton* OpenWorkbookDialog::Command2(int index) const {
    switch (index) {
        case 0:
            return ui_->Command2_0;
        case 1:
            return ui_->Command2_1;
        case 2:
            return ui_->Command2_2;
        default:
            return nullptr;
    }
}

QString OpenWorkbookDialog::fileFilter() {
    return QStringLiteral("表格文件 (*.xls *.xlsx *.xlsm *.ods *.csv *.txt)");
}

void OpenWorkbookDialog::browse() {
    const std::optional<QString> chosen =
        services().dialogs->openFileName(this, QStringLiteral("打开EXCEL表格"), fileFilter());
    // A cancelled browse keeps what the operator typed or chose before.
    if (chosen) {
        Text1(kPathBox)->setText(QDir::toNativeSeparators(*chosen));
    }
}

std::optional<ImportRequest> OpenWorkbookDialog::request() const {
    const std::optional<std::int16_t> firstRow = RoundToInt16(LeadingNumber(Text1(kFirstRowBox)->text()));
    if (!firstRow || *firstRow == std::numeric_limits<std::int16_t>::min()) {
        return std::nullopt;
    }
    return ImportRequest{TrimBlanks(Text1(kPathBox)->text()), TrimBlanks(Text1(1)->text()),
                         static_cast<std::int16_t>(*firstRow - 1), appState().ColNo};
}

void OpenWorkbookDialog::command2Click(int index) {
    // Help opens the help file and keeps the dialog with what the operator typed.
    if (index == 2) {
        OpenHelpFile(this);
        return;
    }
    hide();
    switch (index) {
        case 0: {
            AppState& state = appState();
            for (int i = 0; i < 4; ++i) {
                state.ColNo[static_cast<std::size_t>(i)] = ColumnNumber(Text1(i + kFirstColumnBox)->text());
            }
            state.ImportDone = 0;
            BatchWindow* batch = WindowRegistry::instance().window<BatchWindow>();
            WindowRegistry::showInFront(batch);
            // A window that is already on screen would not paint again by itself: ask for the paint
            // that starts the import.
            batch->update();
            break;
        }
        case 1:
            close();
            break;
        default:
            break;
    }
}

void OpenWorkbookDialog::showEvent(QShowEvent* event) {
    // Owned by the main window, the dialog stays off the task bar and above its owner.
    MainWindow* main = WindowRegistry::instance().loaded<MainWindow>();
    if (main && main->windowHandle()) {
        winId();
        if (QWindow* handle = windowHandle()) {
            handle->setTransientParent(main->windowHandle());
        }
    }
    QWidget::showEvent(event);
}

bool OpenWorkbookDialog::eventFilter(QObject* watched, QEvent* event) {
    const auto it = std::find(text1_.begin(), text1_.end(), watched);
    if (it == text1_.end()) {
        return QWidget::eventFilter(watched, event);
    }
    QLineEdit* box = *it;
    const int index = static_cast<int>(it - text1_.begin());
    switch (event->type()) {
        case QEvent::FocusIn:
            box->selectAll();
            return false;
        case QEvent::KeyPress:
        case QEvent::InputMethod:
            return filterKey(index, box, event);
        default:
            return false;
    }
}

// The key filter: the first-row box takes digits only, the column boxes letters only, turned into
// capitals. Keys that type no character (arrows, Delete, Tab) pass; so does backspace.
bool OpenWorkbookDialog::filterKey(int index, QLineEdit* box, QEvent* event) {
    if (index < kFirstRowBox) {
        return false;
    }
    if (event->type() == QEvent::InputMethod) {
        return !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::SelectAll)) {
        return false;
    }
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
        key->key() == Qt::Key_Delete) {
        return false;
    }
    if (text.size() == 1 && text.at(0).unicode() == kBackspace) {
        return false;
    }
    if (index == kFirstRowBox) {
        const bool digits = std::all_of(
            text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
        return !digits;
    }
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - 32);
        }
    }
    const bool letters = std::all_of(upper.begin(), upper.end(),
                                     [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); });
    if (!letters) {
        return true;
    }
    if (upper == text) {
        return false;
    }
    // Deliver the capital in place of the small letter.
    QKeyEvent capital(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(),
                      key->count());
    QCoreApplication::sendEvent(box, &capital);
    return true;
}

}  // namespace velmora
