#include "render_forms.h"

#include <QDir>

#include "pdf_document.h"
#include "printer_surface_qt.h"

namespace velmora {

namespace {

constexpr int kPdfResolution = 600;

}  // namespace

RenderReport RenderFormsToPdf(const std::vector<FormContent>& forms, const QString& path, Offsets offsets,
                              const QString& workbook) {
    std::vector<CheckedForm> checked;
    for (std::size_t i = 0; i < forms.size(); ++i) {
        checked.push_back(CheckForm(forms[i]));
        if (!checked.back().printable()) {
            return {PrintStatus::Refused, 0, int(i), checked.back().problemText()};
        }
    }
    if (SameFile(path, workbook)) {
        return {PrintStatus::Failed, 0, -1,
                QStringLiteral("不能把汇款单写入正在读取的工作簿“%1”，请另选一个文件名。")
                    .arg(QDir::toNativeSeparators(path))};
    }
    PdfDocument document(FullPageA4(), kPdfResolution);
    QString error;
    QPainter* painter = document.begin(&error);
    if (!painter) {
        return {PrintStatus::Failed, 0, -1, error};
    }
    RenderReport report;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        // Every form after the first starts a new page when it draws its first output.
        PageSurface page(*painter, kPdfResolution, kPdfResolution, [&document, i](QString* why) {
            if (i > 0 && !document.newPage()) {
                *why = QStringLiteral("无法在 PDF 文档中开始新的一页。");
                return false;
            }
            return true;
        });
        DrawRemittance(checked[i].form, offsets, page);
        if (page.failed()) {
            return {PrintStatus::Failed, 0, int(i), page.failure()};
        }
        ++report.printed;
    }
    if (!document.save(path, &error)) {
        return {PrintStatus::Failed, 0, -1, error};
    }
    return report;
}

}  // namespace velmora
