#include "printing/render_forms.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "platform/printer_surface_qt.h"
#include "printing/draw_remittance.h"
#include "text/amount.h"

namespace velmora {

namespace {

constexpr int kPdfResolution = 600;

}  // namespace

RenderReport CheckFormsPrintable(const std::vector<FormContent>& forms) {
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const QString problem = AmountProblem(forms[i].text[kAmountField]);
        if (!problem.isEmpty()) {
            return {PrintStatus::Refused, 0, int(i), problem};
        }
    }
    return {};
}

void SetUpPdfPrinter(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(kPdfResolution);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                      QPageLayout::Millimeter));
}

RenderReport RenderFormsToPdf(const std::vector<FormContent>& forms, const QString& path, double OffsetX,
                              double OffsetY) {
    RenderReport report = CheckFormsPrintable(forms);
    if (report.status != PrintStatus::Printed || forms.empty()) {
        return report;
    }
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, path);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return {PrintStatus::Failed, 0, 0,
                QStringLiteral("无法写入文件“%1”。请检查文件夹是否存在、是否可写。").arg(path)};
    }
    const double dpiX = printer.logicalDpiX();
    const double dpiY = printer.logicalDpiY();
    for (std::size_t i = 0; i < forms.size(); ++i) {
        // Every form after the first starts a new page when it draws its first output.
        PageSurface page(painter, dpiX, dpiY, [&printer, i](QString* error) {
            if (i > 0 && !printer.newPage()) {
                *error = QStringLiteral("无法在文件中开始新的一页。");
                return false;
            }
            return true;
        });
        DrawRemittance(forms[i], OffsetX, OffsetY, page);
        if (page.failed()) {
            painter.end();
            return {PrintStatus::Failed, report.printed, int(i), page.failure()};
        }
        ++report.printed;
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        return {PrintStatus::Failed, 0, 0, QStringLiteral("无法写完文件“%1”。").arg(path)};
    }
    return report;
}

RenderReport PrintForms(const std::vector<FormContent>& forms, QPrinter& printer, double OffsetX,
                        double OffsetY) {
    RenderReport report = CheckFormsPrintable(forms);
    if (report.status != PrintStatus::Printed) {
        return report;
    }
    for (std::size_t i = 0; i < forms.size(); ++i) {
        QtPrinterSurface surface(printer, QtPrinterSurface::ExistingFile::Keep);
        DrawRemittance(forms[i], OffsetX, OffsetY, surface);
        if (surface.failed()) {
            return {PrintStatus::Failed, report.printed, int(i), surface.failure()};
        }
        ++report.printed;
    }
    return report;
}

}  // namespace velmora
