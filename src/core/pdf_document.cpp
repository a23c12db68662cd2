#include "pdf_document.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QSaveFile>

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

bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error) {
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        *error = QStringLiteral("无法写入“%1”：它不是一个普通文件。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    // A symbolic link keeps pointing where it pointed: the file it names is replaced.
    QSaveFile file(target.isSymLink() ? target.canonicalFilePath() : path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(data) == data.size() && file.commit();
    if (!written) {
        *error = QStringLiteral("无法写入文件“%1”：%2。请检查文件夹是否存在、是否可写，磁盘是否已满。")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
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

bool SameFile(const QString& a, const QString& b) {
    const auto real = [](const QString& path) {
        const QFileInfo info(path);
        if (info.exists()) {
            return info.canonicalFilePath();
        }
        const QString folder = info.absoluteDir().canonicalPath();
        return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
    };
    return !a.isEmpty() && !b.isEmpty() && real(a) == real(b);
}

}  // namespace velmora
