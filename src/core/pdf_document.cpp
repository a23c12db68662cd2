#include "pdf_document.h"

#include <QFileInfo>
#include <QPageSize>

namespace velmora {

PdfDocument::PdfDocument(const QPageLayout& layout, int dotsPerInch) : writer_(&buffer_) {
    writer_.setResolution(dotsPerInch);
    writer_.setPageLayout(layout);
    writer_.setCreator(QStringLiteral("Velmora"));
}

PdfDocument::~PdfDocument() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

QPainter* PdfDocument::begin(QString* error) {
    buffer_.open(QIODevice::WriteOnly);
    if (!painter_.begin(&writer_)) {
        *error = QStringLiteral("无法生成 PDF 文档。");
        return nullptr;
    }
    return &painter_;
}

bool PdfDocument::save(const QString& path, QString* error) {
    if (painter_.isActive() && !painter_.end()) {
        *error = QStringLiteral("无法生成 PDF 文档。");
        return false;
    }
    return WritePrivateFile(path, buffer_.data(), error);
}

QPageLayout FullPageA4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

QString NumberedFileName(const QString& path, int record, int count) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = path.left(path.size() - suffix.size());
    const int width = std::max(2, int(QString::number(count).size()));
    return stem + QStringLiteral("-%1").arg(record, width, 10, QLatin1Char('0')) + suffix;
}

}  // namespace velmora
