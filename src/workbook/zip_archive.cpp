#include "zip_archive.h"

#include <zip.h>

#include "workbook.h"

namespace velmora {

namespace {

[[noreturn]] void broken(const QString& why) {
    throw AutomationError(kErrorNotWorkbook, why);
}

QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

// The lookup key of a part name: "/" separators, no leading "/", ASCII letters in lower case.
QByteArray partKey(QByteArray name) {
    name.replace('\\', '/');
    while (name.startsWith('/')) {
        name.remove(0, 1);
    }
    return name.toLower();
}

}  // namespace

std::shared_ptr<ZipArchive> ZipArchive::openDescriptor(int fd) {
    std::shared_ptr<ZipArchive> result(new ZipArchive);
    int code = 0;
    result->archive_ = zip_fdopen(fd, ZIP_RDONLY, &code);
    if (result->archive_ == nullptr) {
        broken(QStringLiteral("not a readable zip file: %1").arg(zipErrorText(code)));
    }
    result->indexEntries();
    return result;
}

std::shared_ptr<ZipArchive> ZipArchive::openData(const QByteArray& data) {
    std::shared_ptr<ZipArchive> result(new ZipArchive);
    result->data_ = data;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(
        result->data_.constData(), static_cast<zip_uint64_t>(result->data_.size()), 0, &error);
    if (source != nullptr) {
        result->archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (result->archive_ == nullptr) {
            zip_source_free(source);
        }
    }
    if (result->archive_ == nullptr) {
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        broken(QStringLiteral("not a readable zip file: %1").arg(text));
    }
    zip_error_fini(&error);
    result->indexEntries();
    return result;
}

ZipArchive::~ZipArchive() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
}

void ZipArchive::indexEntries() {
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name != nullptr) {
            entries_.insert(partKey(QByteArray(name)), i);  // a later duplicate replaces an earlier one
        }
    }
}

qint64 ZipArchive::find(const QString& name) const {
    return entries_.value(partKey(name.toUtf8()), -1);
}

QByteArray ZipArchive::read(qint64 index, qint64 cap) const {
    ZipEntryDevice device(*this, index, cap);
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0 || device.failed()) {
            broken(device.why().isEmpty() ? QStringLiteral("zip entry unreadable") : device.why());
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, n);
    }
    return bytes;
}

ZipEntryDevice::ZipEntryDevice(const ZipArchive& archive, qint64 index, qint64 cap) : cap_(cap) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(archive.archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
        broken(QStringLiteral("zip entry %1 missing").arg(index));
    }
    // The ratio floor: at most 100 bytes out per byte in, beyond a grace size.
    if ((stat.valid & ZIP_STAT_COMP_SIZE) != 0) {
        const qint64 compressed = static_cast<qint64>(std::min<zip_uint64_t>(stat.comp_size, 1ULL << 40));
        cap_ = std::min(cap_, std::max(kZipRatioGrace, compressed * kZipMaxRatio));
    } else {
        cap_ = std::min(cap_, kZipRatioGrace);
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
        throw AutomationError(
            kErrorPasswordProtected,
            QStringLiteral("zip entry %1 is encrypted").arg(QString::fromUtf8(stat.name ? stat.name : "")));
    }
    file_ = zip_fopen_index(archive.archive_, static_cast<zip_uint64_t>(index), 0);
    if (file_ == nullptr) {
        broken(QStringLiteral("zip entry %1 cannot be opened: %2")
                   .arg(QString::fromUtf8(stat.name ? stat.name : ""),
                        QString::fromLocal8Bit(zip_strerror(archive.archive_))));
    }
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

ZipEntryDevice::~ZipEntryDevice() {
    if (file_ != nullptr) {
        zip_fclose(file_);
    }
}

qint64 ZipEntryDevice::readData(char* data, qint64 maxSize) {
    if (failed()) {
        return -1;
    }
    if (finished_ || maxSize <= 0) {
        return 0;
    }
    // Ask for one byte past the cap, so an entry of exactly the cap still reads whole.
    const qint64 want = std::min(maxSize, cap_ + 1 - produced_);
    const zip_int64_t n = zip_fread(file_, data, static_cast<zip_uint64_t>(want));
    if (n < 0) {
        // Among the reasons: a wrong CRC-32, which libzip checks when an entry is read to its end.
        why_ =
            QStringLiteral("zip entry unreadable: %1").arg(QString::fromLocal8Bit(zip_file_strerror(file_)));
        return -1;
    }
    if (n == 0) {
        finished_ = true;
        return 0;
    }
    produced_ += n;
    if (produced_ > cap_) {
        why_ = QStringLiteral("zip entry inflates past %1 bytes").arg(cap_);
        return -1;
    }
    if (inspector_) {
        why_ = inspector_(data, n);
        if (failed()) {
            return -1;
        }
    }
    return n;
}

bool ZipEntryDevice::drain() {
    char buffer[16384];
    while (!atEnd()) {
        if (read(buffer, sizeof buffer) < 0) {
            return false;
        }
    }
    return !failed();
}

}  // namespace velmora
