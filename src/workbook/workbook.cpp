#include "workbook.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cfb_reader.h"
#include "csv_reader.h"
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

// The largest file read into memory (a compound file, a CSV file): far beyond any real .xls (65,536
// rows of 256 columns) or list of payees.
constexpr qint64 kMaxFileInMemory = qint64(256) << 20;

[[noreturn]] void tooLarge(const QString& path) {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("%1 is larger than any workbook read").arg(path));
}

[[noreturn]] void cannotOpen(const QString& path, const QString& why) {
    throw AutomationError(kErrorBadPath, QStringLiteral("cannot read %1: %2").arg(path, why));
}

// The bytes of a file, read into memory. A mapping would be cheaper but turns a file truncated while
// it is read into a crash (SIGBUS); reading keeps a changing file a broken file.
template <typename Read>
std::shared_ptr<const QByteArray> readBytes(const QString& path, qint64 size, Read read) {
    if (size > kMaxFileInMemory) {
        tooLarge(path);
    }
    QByteArray bytes;
    bytes.reserve(size);  // grown a chunk at a time, the bytes would pass through twice their size
    char buffer[65536];
    for (qint64 n; (n = read(buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, n);
        if (bytes.size() > kMaxFileInMemory) {
            tooLarge(path);
        }
    }
    return std::make_shared<const QByteArray>(std::move(bytes));
}

std::unique_ptr<Workbook> openBytes(std::shared_ptr<const QByteArray> bytes, const QString& suffix,
                                    const QString& sheetName) {
    switch (containerOf(bytes->constData(), bytes->size())) {
        case Container::Zip:
            return openZip(ZipArchive::openData(*bytes));
        case Container::Compound:
            return OpenXlsWorkbook(std::move(bytes));
        case Container::Other:
            break;
    }
    if (IsCsvSuffix(suffix)) {
        return OpenCsvWorkbook(std::move(bytes), sheetName);
    }
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("neither a zip nor a compound file"));
}

}  // namespace

std::unique_ptr<Workbook> openWorkbook(const QString& path) {
    if (path.isEmpty()) {
        throw AutomationError(kErrorBadPath, QStringLiteral("no path"));
    }
    const QFileInfo info(path);
    const QString sheetName = info.completeBaseName();
#ifdef Q_OS_WIN
    if (!info.isFile()) {
        cannotOpen(path, QStringLiteral("not a file"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        cannotOpen(path, file.errorString());
    }
    return openBytes(readBytes(path, file.size(), [&](char* into, qint64 n) { return file.read(into, n); }),
                     info.suffix(), sheetName);
#else
    // Only a regular file is opened: a FIFO or a device could block or never end. The check comes
    // before the open, and the open cannot block either, should the path change in between.
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        cannotOpen(path, QStringLiteral("not a regular file"));
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cannotOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    const std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* f) { ::close(*f); });
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        cannotOpen(path, QStringLiteral("not a regular file"));
    }
    char head[8] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (containerOf(head, got) == Container::Zip) {
        // libzip reads the archive where it lies; it takes over a duplicate of the descriptor.
        const int zipFd = ::dup(fd);
        if (zipFd < 0) {
            cannotOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        return openZip(ZipArchive::openDescriptor(zipFd));
    }
    return openBytes(
        readBytes(path, status.st_size, [fd](char* into, qint64 n) { return ::read(fd, into, n); }),
        info.suffix(), sheetName);
#endif
}

std::unique_ptr<Workbook> openWorkbookData(const QByteArray& bytes, const QString& suffix) {
    return openBytes(std::make_shared<const QByteArray>(bytes), suffix, QStringLiteral("Sheet1"));
}

}  // namespace velmora
