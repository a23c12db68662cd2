#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

// One stream of a compound file: its bytes, found through the sector chain on each read.
class CfbStream {
public:
    qint64 size() const { return size_; }

    // Copies `length` bytes from `offset` into `into`; false when they lie past the stream's end or
    // past the end of the file (a truncated file).
    bool read(qint64 offset, char* into, qint64 length) const;

private:
    friend class CompoundFile;
    std::shared_ptr<const QByteArray> file_;
    qint64 size_ = 0;
    qint64 unit_ = 0;                  // the sector size the stream is stored in (mini or regular)
    std::vector<qint64> unitOffsets_;  // each of the stream's sectors as an offset into the file
};

// A compound file (the structured storage of .xls, .doc and encrypted Office documents) read from
// bytes in memory. Every check a crafted file could defeat is made: sector numbers within the file,
// chains that loop or run short, directory trees that loop. Failures throw AutomationError 432.
class CompoundFile {
public:
    static constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

    explicit CompoundFile(std::shared_ptr<const QByteArray> file);

    // The names of the root storage's children.
    QStringList rootNames() const;

    // A stream among the root storage's children, its name compared without regard to case; empty
    // when there is none.
    std::optional<CfbStream> rootStream(const QString& name) const;

private:
    struct Entry {
        QString name;
        int type = 0;  // 1 storage, 2 stream, 5 root
        quint32 left = 0, right = 0, child = 0;
        quint32 start = 0;
        qint64 size = 0;
    };

    // The steps of opening, in order.
    void readHeader();
    void readFat();
    void readDirectory();
    void readMiniStream();
    void findRootChildren();

    quint32 nextSector(quint32 sector) const;
    // The file offsets of a chain's sectors, at most `limit` of them.
    std::vector<qint64> chain(quint32 first, qint64 limit) const;
    std::vector<qint64> miniChain(quint32 first, qint64 limit) const;

    std::shared_ptr<const QByteArray> file_;
    quint16 majorVersion_ = 3;
    qint64 sectorSize_ = 512;
    qint64 sectorCount_ = 0;  // sectors the file holds, the header's excepted
    quint32 miniCutoff_ = 4096;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    std::vector<qint64> miniStream_;  // the mini stream's sectors as file offsets
    std::vector<Entry> entries_;
    std::vector<int> rootChildren_;
};

}  // namespace velmora
