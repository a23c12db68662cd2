#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <functional>
#include <optional>

#include "platform/printer_surface.h"

class QPrinter;

namespace velmora {

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
    void setCursor(double xTwips, double yTwips) override;
    void printText(const QString& text) override;
    void textOut(int x, int y, const QString& text) override;
    void fillRectangle(float x1Twips, float y1Twips, float x2Twips, float y2Twips) override;
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

// Paints one print document on a QPrinter: the first output begins it, endDocument ends it and
// hands the job to the printer (or writes the file).
class QtPrinterSurface final : public PainterSurface {
public:
    // What happens when the printer writes to a file that already exists.
    enum class ExistingFile {
        Keep,       // write to the first free name: name.pdf, name-2.pdf, name-3.pdf...
        Overwrite,  // replace it
    };

    explicit QtPrinterSurface(QPrinter& printer, ExistingFile existing = ExistingFile::Keep);
    ~QtPrinterSurface() override;

    // The file this document went to (empty when the printer does not write to a file).
    QString outputFile() const { return outputFile_; }

protected:
    QPainter* beginOutput(QString* error) override;
    bool finishOutput(QString* error) override;

private:
    void restoreFileName();

    QPrinter& printer_;
    ExistingFile existing_;
    QPainter painter_;
    QString requestedFile_;
    QString outputFile_;
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

// The printer's description for messages: its name, or the file it writes to.
QString describePrinter(const QPrinter& printer);

}  // namespace velmora
