#pragma once

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

struct zip;
struct zip_file;

namespace velmora {

// Limits on what a zip entry may inflate to. An entry is refused once its inflated bytes pass its
// absolute cap, or once they pass both a grace size and 100 times the entry's compressed size (the
// inflation ratio floor of 0.01 that Apache POI applies by default).
inline constexpr qint64 kZipSheetCap = 256LL * 1024 * 1024;  // worksheets, shared strings, content.xml
inline constexpr qint64 kZipPartCap = 16LL * 1024 * 1024;    // workbook, relationships, styles, manifest
inline constexpr qint64 kZipRatioGrace = 100 * 1024;
inline constexpr int kZipMaxRatio = 100;

// A zip file opened read-only with libzip, from an open file descriptor or from bytes in memory. Entries are
// found by their part name as OPC reads them: "/" or "\" as the separator, an optional leading "/", ASCII
// letters in either case. Every failure throws AutomationError 432.
class ZipArchive {
public:
    // Takes over `fd` (a regular file), which libzip closes.
    static std::shared_ptr<ZipArchive> openDescriptor(int fd);
    static std::shared_ptr<ZipArchive> openData(const QByteArray& data);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The entry's index, or -1 when the archive has no entry of that name.
    qint64 find(const QString& name) const;
    bool contains(const QString& name) const { return find(name) >= 0; }

    // The whole inflated entry, at most `cap` bytes.
    QByteArray read(qint64 index, qint64 cap) const;

private:
    friend class ZipEntryDevice;
    ZipArchive() = default;
    void indexEntries();

    zip* archive_ = nullptr;
    QByteArray data_;  // the bytes an in-memory archive reads from
    QHash<QByteArray, qint64> entries_;
};

// Reads one entry as a sequential device, inflating as it is read and refusing to go past the
// entry's limits: a read then fails, failed() is true and why() says which limit it was. Read to its
// end, the entry's CRC-32 is checked (by libzip) and a mismatch fails the last read the same way. An
// inspector, when set, sees every chunk before the reader does and may refuse it with a reason.
class ZipEntryDevice final : public QIODevice {
public:
    using Inspector = std::function<QString(const char* data, qint64 size)>;

    // Throws AutomationError 432 when the entry cannot be opened (unknown compression), 70 when it is
    // encrypted.
    // The archive must outlive the device.
    ZipEntryDevice(const ZipArchive& archive, qint64 index, qint64 cap);
    ~ZipEntryDevice() override;

    void setInspector(Inspector inspector) { inspector_ = std::move(inspector); }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return finished_ || failed(); }
    bool failed() const { return !why_.isEmpty(); }
    QString why() const { return why_; }
    // Reads on to the entry's end, so that its CRC-32 is checked; false when that fails.
    bool drain();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file* file_ = nullptr;
    qint64 cap_;
    qint64 produced_ = 0;
    bool finished_ = false;
    QString why_;
    Inspector inspector_;
};

}  // namespace velmora
