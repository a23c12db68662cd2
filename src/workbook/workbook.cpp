#include "workbook.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "cfb_reader.h"
#include "ods_reader.h"
#include "xls_reader.h"
#include "xlsx_reader.h"
#include "zip_archive.h"

namespace velmora {

namespace {

enum class Container { Zip, Compound, Other };

// The container a file is, by its first bytes.
Container containerOf(const char* head, qint64 size) {
    if (size >= 4 && (std::memcmp(head, "PK\x03\x04", 4) == 0 || std::memcmp(head, "PK\x05\x06", 4) == 0)) {
        return Container::Zip;
    }
    if (size >= 8 && std::memcmp(head, CompoundFile::kSignature, 8) == 0) {
        return Container::Compound;
    }
    return Container::Other;
}

std::unique_ptr<Workbook> openZip(std::shared_ptr<const ZipArchive> archive) {
    if (IsOfficeOpenXmlPackage(*archive)) {
        return OpenXlsxWorkbook(std::move(archive));
    }
    if (IsOpenDocumentPackage(*archive)) {
        return OpenOdsWorkbook(std::move(archive));
    }
    throw AutomationError(kErrorNoWorksheets, QStringLiteral("a zip file that is no spreadsheet"));
}

[[noreturn]] void notWorkbook() {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("neither a zip nor a compound file"));
}

// The largest compound file read: far beyond any real .xls (65,536 rows of 256 columns).
constexpr qint64 kMaxCompoundFileSize = qint64(256) << 20;

// The bytes of a file, read into memory. A mapping would be cheaper but turns a file truncated while
// it is read into a crash (SIGBUS); reading keeps a changing file a broken file.
std::shared_ptr<const QByteArray> fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw AutomationError(kErrorBadPath,
                              QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    if (file.size() > kMaxCompoundFileSize) {
        throw AutomationError(kErrorNotWorkbook,
                              QStringLiteral("%1 is larger than any workbook read").arg(path));
    }
    QByteArray bytes = file.read(kMaxCompoundFileSize + 1);
    if (bytes.size() > kMaxCompoundFileSize) {
        throw AutomationError(kErrorNotWorkbook,
                              QStringLiteral("%1 is larger than any workbook read").arg(path));
    }
    return std::make_shared<const QByteArray>(std::move(bytes));
}

}  // namespace

std::unique_ptr<Workbook> openWorkbook(const QString& path) {
    if (path.isEmpty()) {
        throw AutomationError(kErrorBadPath, QStringLiteral("no path"));
    }
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        throw AutomationError(kErrorBadPath, QStringLiteral("no file at %1").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw AutomationError(kErrorBadPath,
                              QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    char head[8] = {};
    const qint64 got = file.read(head, sizeof head);
    file.close();
    switch (containerOf(head, got)) {
        case Container::Zip:
            return openZip(ZipArchive::openFile(path));
        case Container::Compound:
            return OpenXlsWorkbook(fileBytes(path));
        case Container::Other:
            break;
    }
    notWorkbook();
}

std::unique_ptr<Workbook> openWorkbookData(const QByteArray& bytes) {
    switch (containerOf(bytes.constData(), bytes.size())) {
        case Container::Zip:
            return openZip(ZipArchive::openData(bytes));
        case Container::Compound:
            return OpenXlsWorkbook(std::make_shared<const QByteArray>(bytes));
        case Container::Other:
            break;
    }
    notWorkbook();
}

}  // namespace velmora
