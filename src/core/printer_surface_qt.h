#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "printer_surface.h"

class QPrinter;

namespace velmora {

class PdfDocument;

// The common part of the surfaces that paint with a QPainter. Coordinates are in the surface's own
// device pixels (dotsPerInch); the painter's device may be finer or coarser, as on the preview, where
// a transform maps the surface's pixels to the screen and the font is sized to match.
class PainterSurface : public PrinterSurface {
public:
    float twipsPerDotX() const override { return twipsPerDotX_; }
    float twipsPerDotY() const override { return twipsPerDotY_; }
    void setFontSize(float points) override;
    void setBold(bool on) override;
    void setCharacterExtra(int pixels) override { extra_ = pixels; }
    void setCursor(Twips x, Twips y) override;
    void printText(const QString& text) override;
    void textOut(DevicePixels x, DevicePixels y, const QString& text) override;
    void fillRectangle(Twips x1, Twips y1, Twips x2, Twips y2) override;
    bool endDocument() override;
    bool failed() const override { return !failure_.isEmpty(); }
    QString failure() const override { return failure_; }

protected:
    PainterSurface(double dotsPerInchX, double dotsPerInchY);

    // Starts the document: the painter to draw with, or nullptr with *error saying why not.
    virtual QPainter* beginOutput(QString* error) = 0;
    // Finishes what beginOutput started; false with *error saying why it failed.
    virtual bool finishOutput(QString* error) = 0;

private:
    QPainter* painter();
    void drawAt(double x, double top, const QString& text);
    // The text with its left end of the baseline at `baseline`, in bold when asked.
    void drawGlyphs(QPointF baseline, const QString& text);
    const QFontMetricsF& metrics();

    float twipsPerDotX_;
    float twipsPerDotY_;
    double dotsPerInchY_;
    QPainter* painter_ = nullptr;
    QString failure_;
    float points_ = 9;
    bool bold_ = false;
    int extra_ = 0;
    double cursorX_ = 0;
    double cursorY_ = 0;
    QFont font_;
    std::optional<QFontMetricsF> metrics_;
};

// One print document on a printer: the first output begins the job, titled `title` in the
// spooler's queue, and endDocument hands it to the spooler. The origin is the corner of what the
// printer can print, as the calibration figure assumes.
class QtPrinterSurface final : public PainterSurface {
public:
    QtPrinterSurface(QPrinter& printer, QString title);
    ~QtPrinterSurface() override;

protected:
    QPainter* beginOutput(QString* error) override;
    bool finishOutput(QString* error) override;

private:
    QPrinter& printer_;
    QString title_;
    QPainter painter_;
};

// One print document written to a PDF file: drawn in memory and written when it is complete, through
// a temporary file in the same folder, so that a failure leaves any earlier file as it was.
class PdfFileSurface final : public PainterSurface {
public:
    PdfFileSurface(QString path, const QPageLayout& layout, int dotsPerInch);
    ~PdfFileSurface() override;

protected:
    QPainter* beginOutput(QString* error) override;
    bool finishOutput(QString* error) override;

private:
    QString path_;
    QPageLayout layout_;
    int dotsPerInch_;
    std::unique_ptr<PdfDocument> document_;
};

// Paints on a painter that is already active (a page of a longer document, or the preview). The
// first output calls startPage, which may refuse with a reason; endDocument leaves the painter
// active for its owner.
class PageSurface final : public PainterSurface {
public:
    using StartPage = std::function<bool(QString* error)>;
    PageSurface(QPainter& painter, double dotsPerInchX, double dotsPerInchY, StartPage startPage = {});

protected:
    QPainter* beginOutput(QString* error) override;
    bool finishOutput(QString*) override { return true; }

private:
    QPainter& painter_;
    StartPage startPage_;
};

}  // namespace velmora
