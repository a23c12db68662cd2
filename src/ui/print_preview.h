#pragma once

#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <memory>

#include "draw_remittance.h"
#include "form.h"

class QLabel;
class QPushButton;

namespace Ui {
class PrintPreviewForm;
}

namespace velmora {

// What the preview draws: one form, the offsets the print run would pass, and the printer's page
// as the print run would find it.
struct PreviewPage {
    FormContent form;
    Offsets offsets;          // as passed to DrawRemittance
    QPointF printableOrigin;  // the corner of the printer's printable area on the sheet, millimetres
    int dotsPerInch = 600;    // the printer's resolution: positions are rounded as on paper
};

// The picture of the blank form with one form drawn over it by DrawRemittance, through a surface
// that paints on the screen at the printer's resolution scaled down to the picture.
class PreviewCanvas : public QWidget {
    Q_OBJECT
public:
    // The picture's scale: its tick squares and boxes lie where the form stock has them.
    static constexpr double kPicturePixelsPerMm = 3.43;
    static constexpr double kZoom = 1.5;

    explicit PreviewCanvas(QWidget* parent = nullptr);

    void setPage(const PreviewPage& page);
    const PreviewPage& page() const { return page_; }

    // A point of the sheet in millimetres, in this widget's pixels.
    QPointF sheetToWidget(QPointF millimetres) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    PreviewPage page_;
};

// "打印预览": the form in the main window as it will print, calibration applied, with the record
// cursor of a loaded batch to page through every record (paging moves the main window's cursor, so
// what is previewed is what "打  印" and "全部打印" print).
class PrintPreviewWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "PrintPreview";

    PrintPreviewWindow();
    ~PrintPreviewWindow() override;

    // Reads the main window's form and record, the stored calibration and the current printer again.
    void refresh();

    PreviewCanvas* canvas() const;
    QPushButton* previousRecord() const;
    QPushButton* nextRecord() const;
    QLabel* recordLabel() const;
    QLabel* notice() const;

protected:
    bool event(QEvent* event) override;

private:
    void step(int delta);

    std::unique_ptr<Ui::PrintPreviewForm> ui_;
};

// Shows the preview window (creating it when needed) and refreshes it: the main window's "打印预览".
void ShowPrintPreview();

}  // namespace velmora
