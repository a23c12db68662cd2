#include "print_preview.h"

#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

#include "amount.h"
#include "calibration.h"
#include "draw_remittance.h"
#include "form_check.h"
#include "main_window.h"
#include "print_run.h"
#include "printer_surface_qt.h"
#include "services.h"
#include "ui_print_preview.h"
#include "window_registry.h"

// The form picture is compiled into the library; a static library must ask for it.
static void initPreviewResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora {

namespace {

// Where the printer's device origin lies on the sheet: its printable area's corner, or the sheet's
// corner when it paints on the whole page.
QPointF printableOrigin(const QPrinter& printer) {
    if (printer.fullPage()) {
        return {};
    }
    return printer.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
}

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QWidget(parent) {
    initPreviewResources();
    picture_.load(QStringLiteral(":/velmora/form_picture.png"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize PreviewCanvas::sizeHint() const {
    return (QSizeF(picture_.size()) * kZoom).toSize();
}

void PreviewCanvas::setPage(const PreviewPage& page) {
    page_ = page;
    update();
}

QPointF PreviewCanvas::sheetToWidget(QPointF millimetres) const {
    return millimetres * kPicturePixelsPerMm * kZoom;
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(QRectF(QPointF(0, 0), QSizeF(picture_.size()) * kZoom), picture_,
                       QRectF(picture_.rect()));

    // The printer's device pixels, from its printable area's corner, scaled onto the picture.
    const double dpi = page_.dotsPerInch > 0 ? page_.dotsPerInch : 600;
    painter.translate(sheetToWidget(page_.printableOrigin));
    const double scale = kPicturePixelsPerMm * kZoom * 25.4 / dpi;
    painter.scale(scale, scale);
    PageSurface surface(painter, dpi, dpi);
    DrawRemittance(page_.form, page_.offsets, surface);
}

PrintPreviewWindow::PrintPreviewWindow() : ui_(std::make_unique<Ui::PrintPreviewForm>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    QPalette red = ui_->Notice->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui_->Notice->setPalette(red);
    connect(ui_->PreviousRecord, &QPushButton::clicked, this, [this] { step(-1); });
    connect(ui_->NextRecord, &QPushButton::clicked, this, [this] { step(1); });
    connect(ui_->CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

PrintPreviewWindow::~PrintPreviewWindow() = default;

PreviewCanvas* PrintPreviewWindow::canvas() const {
    return ui_->Canvas;
}
QPushButton* PrintPreviewWindow::previousRecord() const {
    return ui_->PreviousRecord;
}
QPushButton* PrintPreviewWindow::nextRecord() const {
    return ui_->NextRecord;
}
QLabel* PrintPreviewWindow::recordLabel() const {
    return ui_->RecordLabel;
}
QLabel* PrintPreviewWindow::notice() const {
    return ui_->Notice;
}

bool PrintPreviewWindow::event(QEvent* event) {
    // Coming back to the preview shows what the main window holds now.
    if (event->type() == QEvent::WindowActivate) {
        refresh();
    }
    return QWidget::event(event);
}

void PrintPreviewWindow::refresh() {
    PreviewPage page;
    MainWindow* main = WindowRegistry::instance().loaded<MainWindow>();
    int record = 1;
    int count = 1;
    CheckedForm checked;
    if (main) {
        // Drawn as it would print: checked and normalised as every print run does.
        checked = CheckForm(main->formContent());
        page.form = checked.form;
        record = main->NumScroll()->value();
        count = main->NumScroll()->maximum();
    }
    const CalibrationStore calibration(*services().settings);
    const QString printer = services().printer ? services().printer->printerName() : QString();
    const CalibrationReading reading = calibration.reading(printer);
    page.offsets = reading.value.offsets();
    page.printableOrigin = printableOrigin(currentPrinter());
    page.dotsPerInch = currentPrinter().resolution();
    ui_->Canvas->setPage(page);

    ui_->RecordLabel->setText(QStringLiteral("第 %1 个汇款单，共 %2 个").arg(record).arg(count));
    ui_->PreviousRecord->setEnabled(record > 1);
    ui_->NextRecord->setEnabled(record < count);
    QStringList notes;
    if (!checked.printable()) {
        notes << QStringLiteral("这份汇款单不会打印：") + checked.problemText();
    }
    if (!checked.warnings.empty()) {
        notes << QStringLiteral("请注意：") + checked.warningText();
    }
    if (!reading.problem.isEmpty()) {
        notes << reading.problem;
    } else if (!reading.stored) {
        notes << QStringLiteral("尚未校准打印机：内容将向右、向下各偏移 10 毫米，请先用“打印机校准”。");
    }
    ui_->Notice->setText(notes.join(QStringLiteral("　")));
}

void PrintPreviewWindow::step(int delta) {
    if (MainWindow* main = WindowRegistry::instance().loaded<MainWindow>()) {
        main->NumScroll()->setValue(main->NumScroll()->value() + delta);  // loads the record
    }
    refresh();
}

void ShowPrintPreview() {
    PrintPreviewWindow* preview = WindowRegistry::instance().window<PrintPreviewWindow>();
    preview->refresh();
    WindowRegistry::showInFront(preview);
}

}  // namespace velmora
