#include "cfb_reader.h"

#include <QtEndian>
#include <cstring>

#include "workbook.h"

namespace velmora {

namespace {

constexpr quint32 kMaxRegularSector = 0xFFFFFFFA;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr qint64 kHeaderSize = 512;
constexpr qint64 kDirectoryEntrySize = 128;
constexpr qint64 kMiniSectorSize = 64;
constexpr int kHeaderDifatEntries = 109;

[[noreturn]] void broken(const QString& why) {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("compound file: %1").arg(why));
}

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}
quint64 u64(const char* p) {
    return qFromLittleEndian<quint64>(p);
}

}  // namespace

bool CfbStream::read(qint64 offset, char* into, qint64 length) const {
    if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
        return false;
    }
    while (length > 0) {
        const qint64 unit = offset / unit_;
        const qint64 within = offset % unit_;
        const qint64 n = std::min(length, unit_ - within);
        const qint64 at = unitOffsets_[static_cast<size_t>(unit)] + within;
        if (at + n > file_->size()) {
            return false;  // the file ends inside the stream
        }
        std::memcpy(into, file_->constData() + at, static_cast<size_t>(n));
        into += n;
        offset += n;
        length -= n;
    }
    return true;
}

CompoundFile::CompoundFile(std::shared_ptr<const QByteArray> file) : file_(std::move(file)) {
    readHeader();
    readFat();
    readDirectory();
    readMiniStream();
    findRootChildren();
}

void CompoundFile::readHeader() {
    const char* data = file_->constData();
    const qint64 fileSize = file_->size();
    if (fileSize < kHeaderSize || std::memcmp(data, kSignature, 8) != 0) {
        broken(QStringLiteral("no compound file signature"));
    }
    majorVersion_ = u16(data + 0x1A);
    const quint16 sectorShift = u16(data + 0x1E);
    if (u16(data + 0x1C) != 0xFFFE || (sectorShift != 9 && sectorShift != 12) || u16(data + 0x20) != 6) {
        broken(QStringLiteral("header with byte order %1, sector shift %2")
                   .arg(u16(data + 0x1C))
                   .arg(sectorShift));
    }
    sectorSize_ = qint64{1} << sectorShift;
    // Sector n starts at (n + 1) * sector size: the header fills sector -1. A last sector the file
    // cuts short still counts; reading past the file's end fails on the read.
    sectorCount_ = fileSize <= sectorSize_ ? 0 : (fileSize - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    miniCutoff_ = u32(data + 0x38);
    if (miniCutoff_ != 4096) {
        broken(QStringLiteral("mini stream cutoff %1").arg(miniCutoff_));
    }
}

// The FAT's own sectors: 109 in the header, the rest in a chain of DIFAT sectors whose last entry
// names the next one; then the FAT itself.
void CompoundFile::readFat() {
    const char* data = file_->constData();
    const qint64 fileSize = file_->size();
    const quint32 fatSectors = u32(data + 0x2C);
    if (fatSectors > sectorCount_) {
        broken(QStringLiteral("%1 FAT sectors in a file of %2 sectors").arg(fatSectors).arg(sectorCount_));
    }
    const qint64 entriesPerSector = sectorSize_ / 4;
    std::vector<quint32> fatSectorList;
    for (int i = 0; i < kHeaderDifatEntries && fatSectorList.size() < fatSectors; ++i) {
        fatSectorList.push_back(u32(data + 0x4C + 4 * i));
    }
    quint32 difat = u32(data + 0x44);
    std::vector<bool> seenDifat;
    while (fatSectorList.size() < fatSectors) {
        if (difat > kMaxRegularSector || difat >= sectorCount_) {
            broken(QStringLiteral("DIFAT chain broken at sector %1").arg(difat));
        }
        if (seenDifat.empty()) {
            seenDifat.resize(static_cast<size_t>(sectorCount_), false);
        }
        if (seenDifat[difat]) {
            broken(QStringLiteral("DIFAT chain loops at sector %1").arg(difat));
        }
        seenDifat[difat] = true;
        const qint64 at = (qint64{difat} + 1) * sectorSize_;
        if (at + sectorSize_ > fileSize) {
            broken(QStringLiteral("DIFAT sector past the end of the file"));
        }
        for (qint64 i = 0; i < entriesPerSector - 1 && fatSectorList.size() < fatSectors; ++i) {
            fatSectorList.push_back(u32(data + at + 4 * i));
        }
        difat = u32(data + at + 4 * (entriesPerSector - 1));
    }
    fat_.reserve(fatSectorList.size() * static_cast<size_t>(entriesPerSector));
    for (quint32 sector : fatSectorList) {
        const qint64 at = (qint64{sector} + 1) * sectorSize_;
        if (sector > kMaxRegularSector || sector >= sectorCount_ || at + sectorSize_ > fileSize) {
            broken(QStringLiteral("FAT sector %1 outside the file").arg(sector));
        }
        for (qint64 i = 0; i < entriesPerSector; ++i) {
            fat_.push_back(u32(data + at + 4 * i));
        }
    }
}

// The directory: 128-byte entries in a chain of sectors, the root entry first.
void CompoundFile::readDirectory() {
    const char* data = file_->constData();
    const std::vector<qint64> directory = chain(u32(data + 0x30), sectorCount_);
    if (directory.empty()) {
        broken(QStringLiteral("no directory"));
    }
    for (qint64 at : directory) {
        if (at + sectorSize_ > file_->size()) {
            broken(QStringLiteral("directory past the end of the file"));
        }
        for (qint64 e = 0; e < sectorSize_ / kDirectoryEntrySize; ++e) {
            const char* p = data + at + e * kDirectoryEntrySize;
            Entry entry;
            const int nameBytes = std::min<int>(u16(p + 0x40), 64);
            for (int i = 0; i + 1 < nameBytes; i += 2) {
                const char16_t c = u16(p + i);
                if (c == 0) {
                    break;
                }
                entry.name.append(QChar(c));
            }
            entry.type = static_cast<unsigned char>(p[0x42]);
            entry.left = u32(p + 0x44);
            entry.right = u32(p + 0x48);
            entry.child = u32(p + 0x4C);
            entry.start = u32(p + 0x74);
            // Version 3 files may leave garbage in the size's high half.
            entry.size = static_cast<qint64>(
                majorVersion_ == 3 ? u32(p + 0x78) : std::min<quint64>(u64(p + 0x78), 1ULL << 50));
            entries_.push_back(entry);
        }
    }
    if (entries_[0].type != 5) {
        broken(QStringLiteral("no root entry"));
    }
}

// The mini stream lives in the root entry's chain; the mini FAT in its own chain.
void CompoundFile::readMiniStream() {
    const char* data = file_->constData();
    const Entry& root = entries_[0];
    miniStream_ = chain(root.start, (root.size + sectorSize_ - 1) / sectorSize_);
    if (static_cast<qint64>(miniStream_.size()) * sectorSize_ < root.size) {
        broken(QStringLiteral("mini stream shorter than its size"));
    }
    for (qint64 at : chain(u32(data + 0x3C), u32(data + 0x40))) {
        if (at + sectorSize_ > file_->size()) {
            broken(QStringLiteral("mini FAT past the end of the file"));
        }
        for (qint64 i = 0; i < sectorSize_ / 4; ++i) {
            miniFat_.push_back(u32(data + at + 4 * i));
        }
    }
}

// The root's children: a tree through the left, right and child links, walked with a guard against
// links that loop.
void CompoundFile::findRootChildren() {
    std::vector<bool> seen(entries_.size(), false);
    std::vector<quint32> pending{entries_[0].child};
    while (!pending.empty()) {
        const quint32 id = pending.back();
        pending.pop_back();
        if (id == kNoStream) {
            continue;
        }
        if (id >= entries_.size() || id == 0 || seen[id]) {
            broken(QStringLiteral("directory tree loops or points outside"));
        }
        seen[id] = true;
        rootChildren_.push_back(static_cast<int>(id));
        pending.push_back(entries_[id].left);
        pending.push_back(entries_[id].right);
    }
}

quint32 CompoundFile::nextSector(quint32 sector) const {
    return sector < fat_.size() ? fat_[sector] : kNoStream;
}

std::vector<qint64> CompoundFile::chain(quint32 first, qint64 limit) const {
    std::vector<qint64> offsets;
    std::vector<bool> seen;  // a sector met twice means the chain loops
    quint32 sector = first;
    while (sector != kEndOfChain && static_cast<qint64>(offsets.size()) < limit) {
        if (sector > kMaxRegularSector || sector >= sectorCount_) {
            broken(QStringLiteral("sector chain broken at sector %1").arg(sector));
        }
        if (seen.empty()) {
            seen.resize(static_cast<size_t>(sectorCount_), false);
        }
        if (seen[sector]) {
            broken(QStringLiteral("sector chain loops at sector %1").arg(sector));
        }
        seen[sector] = true;
        offsets.push_back((qint64{sector} + 1) * sectorSize_);
        sector = nextSector(sector);
    }
    return offsets;
}

std::vector<qint64> CompoundFile::miniChain(quint32 first, qint64 limit) const {
    std::vector<qint64> offsets;
    const qint64 miniSectors = static_cast<qint64>(miniStream_.size()) * (sectorSize_ / kMiniSectorSize);
    std::vector<bool> seen;
    quint32 sector = first;
    while (sector != kEndOfChain && static_cast<qint64>(offsets.size()) < limit) {
        if (sector >= miniSectors || sector >= miniFat_.size()) {
            broken(QStringLiteral("mini sector chain broken at sector %1").arg(sector));
        }
        if (seen.empty()) {
            seen.resize(static_cast<size_t>(miniSectors), false);
        }
        if (seen[sector]) {
            broken(QStringLiteral("mini sector chain loops at sector %1").arg(sector));
        }
        seen[sector] = true;
        const qint64 position = qint64{sector} * kMiniSectorSize;
        offsets.push_back(miniStream_[static_cast<size_t>(position / sectorSize_)] + position % sectorSize_);
        sector = miniFat_[sector];
    }
    return offsets;
}

QStringList CompoundFile::rootNames() const {
    QStringList names;
    for (int id : rootChildren_) {
        names.append(entries_[static_cast<size_t>(id)].name);
    }
    return names;
}

std::optional<CfbStream> CompoundFile::rootStream(const QString& name) const {
    for (int id : rootChildren_) {
        const Entry& entry = entries_[static_cast<size_t>(id)];
        if (entry.type != 2 || entry.name.compare(name, Qt::CaseInsensitive) != 0) {
            continue;
        }
        CfbStream stream;
        stream.file_ = file_;
        stream.size_ = entry.size;
        if (entry.size < miniCutoff_) {
            stream.unit_ = kMiniSectorSize;
            stream.unitOffsets_ =
                miniChain(entry.start, (entry.size + kMiniSectorSize - 1) / kMiniSectorSize);
        } else {
            stream.unit_ = sectorSize_;
            stream.unitOffsets_ = chain(entry.start, (entry.size + sectorSize_ - 1) / sectorSize_);
        }
        if (static_cast<qint64>(stream.unitOffsets_.size()) * stream.unit_ < entry.size) {
            broken(QStringLiteral("stream %1 shorter than its size").arg(entry.name));
        }
        return stream;
    }
    return std::nullopt;
}

}  // namespace velmora
