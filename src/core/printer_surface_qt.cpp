#include "printer_surface_qt.h"

#include <QPainterPath>
#include <QPrinter>
#include <QTransform>

#include "fonts.h"
#include "pdf_document.h"
#include "printer_status.h"
#include "spooler.h"

namespace velmora {

namespace {

// Length in UTF-16 units of the character at i: a surrogate pair is one character.
qsizetype characterLength(const QString& text, qsizetype i) {
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        return 2;
    }
    return 1;
}

}  // namespace

PainterSurface::PainterSurface(double dotsPerInchX, double dotsPerInchY)
    : twipsPerDotX_(static_cast<float>(1440.0 / dotsPerInchX)),
      twipsPerDotY_(static_cast<float>(1440.0 / dotsPerInchY)),
      dotsPerInchY_(dotsPerInchY),
      font_(SongFont()) {
    font_.setPointSizeF(points_);
}

QPainter* PainterSurface::painter() {
    if (painter_ || failed()) {
        return painter_;
    }
    QString error;
    painter_ = beginOutput(&error);
    if (!painter_) {
        failure_ = error.isEmpty() ? QStringLiteral("无法开始打印。") : error;
        return nullptr;
    }
    metrics_.reset();
    return painter_;
}

void PainterSurface::setFontSize(float points) {
    points_ = points;
    metrics_.reset();
}

void PainterSurface::setBold(bool on) {
    bold_ = on;
}

const QFontMetricsF& PainterSurface::metrics() {
    if (!metrics_) {
        // The font is sized for the painter's device so that it measures points_ in this surface's
        // pixels, whatever the device's own resolution is.
        QPaintDevice* device = painter_->device();
        const double deviceDpi = device->logicalDpiY();
        font_.setPointSizeF(points_ * dotsPerInchY_ / deviceDpi);
        painter_->setFont(font_);
        metrics_.emplace(font_, device);
    }
    return *metrics_;
}

void PainterSurface::drawAt(double x, double top, const QString& text) {
    const QFontMetricsF& m = metrics();
    painter_->setFont(font_);
    painter_->setPen(Qt::black);
    // drawText places the baseline: the top-left rule needs the ascent added.
    const double baseline = top + m.ascent();
    if (extra_ == 0) {
        drawGlyphs(QPointF(x, baseline), text);
        return;
    }
    // Extra spacing character by character: Qt's own letter spacing is scaled by a whole-number
    // factor on high-resolution printers and would miss the exact pixel count.
    double pen = x;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = characterLength(text, i);
        const QString character = text.mid(i, n);
        drawGlyphs(QPointF(pen, baseline), character);
        pen += m.horizontalAdvance(character) + extra_;
        i += n;
    }
}

// The Song face has no bold, and a font engine asked for bold makes it up its own way: Windows widens
// every glyph (GDI and DirectWrite alike, by about a 48th of the em), so a form would print wider there
// than on Linux. So the regular face is drawn on every system, and bold is its outline drawn over it,
// shifted by half a line's width, as Qt makes bold up in a PDF on Linux; the outline is no text, so a
// PDF's text reads each character once.
void PainterSurface::drawGlyphs(QPointF baseline, const QString& text) {
    painter_->drawText(baseline, text);
    if (bold_) {
        // A path measures the font at the screen's resolution: scaled to this device's.
        QPainterPath outline;
        outline.addText(QPointF(), font_, text);
        const QFontMetricsF& m = metrics();
        const qreal scale = m.height() / QFontMetricsF(font_).height();
        painter_->fillPath(QTransform::fromTranslate(baseline.x() - m.lineWidth() / 2, baseline.y())
                               .scale(scale, scale)
                               .map(outline),
                           Qt::black);
    }
}

void PainterSurface::setCursor(Twips x, Twips y) {
    cursorX_ = x.value;
    cursorY_ = y.value;
}

void PainterSurface::printText(const QString& text) {
    if (!painter()) {
        return;
    }
    drawAt(cursorX_ / twipsPerDotX_, cursorY_ / twipsPerDotY_, text);
    cursorX_ = 0;
    cursorY_ += metrics().height() * twipsPerDotY_;
}

void PainterSurface::textOut(DevicePixels x, DevicePixels y, const QString& text) {
    if (!painter()) {
        return;
    }
    drawAt(x.value, y.value, text);
}

void PainterSurface::fillRectangle(Twips x1, Twips y1, Twips x2, Twips y2) {
    if (!painter()) {
        return;
    }
    const QPointF a(x1.value / twipsPerDotX_, y1.value / twipsPerDotY_);
    const QPointF b(x2.value / twipsPerDotX_, y2.value / twipsPerDotY_);
    painter_->fillRect(QRectF(a, b).normalized(), Qt::black);
}

bool PainterSurface::endDocument() {
    if (failed()) {
        return false;
    }
    if (!painter_) {
        return true;  // nothing was drawn: there is no document to finish
    }
    painter_ = nullptr;
    metrics_.reset();
    QString error;
    if (!finishOutput(&error)) {
        failure_ = error.isEmpty() ? QStringLiteral("打印机未能完成打印作业。") : error;
        return false;
    }
    return true;
}

QtPrinterSurface::QtPrinterSurface(QPrinter& printer, QString title)
    : PainterSurface(printer.resolution(), printer.resolution()),
      printer_(printer),
      title_(std::move(title)) {}

QtPrinterSurface::~QtPrinterSurface() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

QPainter* QtPrinterSurface::beginOutput(QString* error) {
    if (!printer_.printerName().isEmpty()) {
        const QString problem = printerUnavailable(printer_.printerName());
        if (!problem.isEmpty()) {
            *error = QStringLiteral("无法开始打印：") + problem;
            return nullptr;
        }
    }
    printer_.setDocName(title_);
    // Margins at the printer's own minimum, not Qt's default of 10 points.
    if (!printer_.fullPage()) {
        printer_.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    if (!painter_.begin(&printer_)) {
        *error = printer_.printerName().isEmpty()
                     ? QStringLiteral(
                           "无法开始打印：系统中没有可用的打印机。请先安装打印机，或在打印对话框中选择一台打"
                           "印机。")
                     : QStringLiteral(
                           "无法开始打印：打印机“%1”不可用。请检查打印机是否已安装、已连接并处于就绪状态。")
                           .arg(printer_.printerName());
        return nullptr;
    }
    return &painter_;
}

bool QtPrinterSurface::finishOutput(QString* error) {
    // Ending the painter hands the document to the spooler; its answer decides whether the form counts
    // as printed.
    const SpoolerJobWatch job(printer_.printerName(), printer_.docName());
    const bool ended = painter_.end();
    if (!ended || printer_.printerState() == QPrinter::Error ||
        printer_.printerState() == QPrinter::Aborted) {
        *error = QStringLiteral("打印机“%1”未能完成打印作业，这份汇款单可能没有打印出来。")
                     .arg(printer_.printerName());
        return false;
    }
    *error = job.answer();
    return error->isEmpty();
}

PdfFileSurface::PdfFileSurface(QString path, const QPageLayout& layout, int dotsPerInch)
    : PainterSurface(dotsPerInch, dotsPerInch),
      path_(std::move(path)),
      layout_(layout),
      dotsPerInch_(dotsPerInch) {}

PdfFileSurface::~PdfFileSurface() = default;

QPainter* PdfFileSurface::beginOutput(QString* error) {
    document_ = std::make_unique<PdfDocument>(layout_, dotsPerInch_);
    return document_->begin(error);
}

bool PdfFileSurface::finishOutput(QString* error) {
    return document_->save(path_, error);
}

PageSurface::PageSurface(QPainter& painter, double dotsPerInchX, double dotsPerInchY, StartPage startPage)
    : PainterSurface(dotsPerInchX, dotsPerInchY), painter_(painter), startPage_(std::move(startPage)) {}

QPainter* PageSurface::beginOutput(QString* error) {
    if (!painter_.isActive()) {
        *error = QStringLiteral("无法开始打印。");
        return nullptr;
    }
    if (startPage_ && !startPage_(error)) {
        return nullptr;
    }
    return &painter_;
}

}  // namespace velmora
