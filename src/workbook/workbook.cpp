#include "workbook.h"

#include <QBuffer>
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

// The largest file read into memory (a compound file): far beyond any real .xls (65,536 rows of 256
// columns).
constexpr qint64 kMaxFileInMemory = qint64(256) << 20;

[[noreturn]] void tooLarge(const QString& path) {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("%1 is larger than any workbook read").arg(path));
}

[[noreturn]] void cannotOpen(const QString& path, const QString& why) {
    throw AutomationError(kErrorBadPath, QStringLiteral("cannot read %1: %2").arg(path, why));
}

#ifndef Q_OS_WIN
// A duplicate of the descriptor, for a reader that keeps the file open, closed on exec.
int duplicate(const QString& path, int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        cannotOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return copy;
}
#endif

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

// A file that is neither a zip nor a compound file: comma- or tab-separated text when its name says so.
std::unique_ptr<Workbook> openOther(std::unique_ptr<QIODevice> device, const QString& suffix,
                                    const QString& sheetName) {
    if (IsCsvSuffix(suffix)) {
        return OpenCsvWorkbook(std::move(device), sheetName);
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
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        cannotOpen(path, file->errorString());
    }
    char head[8] = {};
    const Container container = containerOf(head, file->read(head, sizeof head));
    if (container != Container::Other) {
        file->seek(0);
        const std::shared_ptr<const QByteArray> bytes =
            readBytes(path, file->size(), [&](char* into, qint64 n) { return file->read(into, n); });
        return container == Container::Zip ? openZip(ZipArchive::openData(*bytes)) : OpenXlsWorkbook(bytes);
    }
    return openOther(std::move(file), info.suffix(), sheetName);
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
    switch (containerOf(head, ::pread(fd, head, sizeof head, 0))) {
        case Container::Zip:
            // libzip reads the archive where it lies; it takes over a duplicate of the descriptor.
            return openZip(ZipArchive::openDescriptor(duplicate(path, fd)));
        case Container::Compound:
            return OpenXlsWorkbook(
                readBytes(path, status.st_size, [fd](char* into, qint64 n) { return ::read(fd, into, n); }));
        case Container::Other:
            break;
    }
    // Text is read where it lies, a window at a time, through a duplicate of the descriptor.
    auto file = std::make_unique<QFile>();
    const int textFd = duplicate(path, fd);
    if (!file->open(textFd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(textFd);
        cannotOpen(path, file->errorString());
    }
    return openOther(std::move(file), info.suffix(), sheetName);
#endif
}

std::unique_ptr<Workbook> openWorkbookData(const QByteArray& bytes, const QString& suffix) {
    switch (containerOf(bytes.constData(), bytes.size())) {
        case Container::Zip:
            return openZip(ZipArchive::openData(bytes));
        case Container::Compound:
            return OpenXlsWorkbook(std::make_shared<const QByteArray>(bytes));
        case Container::Other:
            break;
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return openOther(std::move(buffer), suffix, QStringLiteral("Sheet1"));
}

}  // namespace velmora
