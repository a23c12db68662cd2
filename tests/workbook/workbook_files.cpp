#include "workbook_files.h"

#include <zip.h>

#include <QDebug>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "workbook.h"

namespace velmora::test {

int ErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const AutomationError& e) {
        if (qEnvironmentVariableIsSet("VELMORA_SHOW_ERRORS")) {
            qInfo() << e.number << e.detail;
        }
        return e.number;
    }
    return 0;
}

int ReadEverything(const QByteArray& bytes, int rows, int cols) {
    return ErrorNumber([&] {
        std::unique_ptr<Workbook> book = openWorkbookData(bytes);
        for (const QString& name : book->sheetNames()) {
            std::unique_ptr<Worksheet> sheet = book->worksheet(name);
            for (int r = 1; r <= rows; ++r) {
                for (int c = 1; c <= cols; ++c) {
                    sheet->cellText(r, c);
                }
            }
            sheet->nextRowWithData(0, {1, 2, 3});
        }
    });
}

// ---- zip -------------------------------------------------------------------------------------------

QByteArray MakeZip(const std::vector<ZipEntry>& entries) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.zip"));
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        throw std::runtime_error("zip_open failed");
    }
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        const zip_int64_t index =
            zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("zip_file_add failed");
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, entry.stored ? 0 : 9);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("zip_close failed");
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// ---- .xlsx -----------------------------------------------------------------------------------------

namespace {

const char* mainNamespace(bool strict) {
    return strict ? "http://purl.oclc.org/ooxml/spreadsheetml/main"
                  : "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
}
const char* relationshipNamespace(bool strict) {
    return strict ? "http://purl.oclc.org/ooxml/officeDocument/relationships"
                  : "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}
QByteArray relationshipType(bool strict, const QString& kind) {
    return QByteArray(relationshipNamespace(strict)) + '/' + kind.toUtf8();
}

QByteArray relationships(const QList<std::pair<QByteArray, std::pair<QByteArray, QByteArray>>>& items) {
    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    for (const auto& [id, typeAndTarget] : items) {
        xml += R"(<Relationship Id=")" + id + R"(" Type=")" + typeAndTarget.first + R"(" Target=")" +
               typeAndTarget.second + R"("/>)";
    }
    return xml + "</Relationships>";
}

}  // namespace

QByteArray WorksheetXml(const QByteArray& sheetData, bool strict) {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns=")" +
           QByteArray(mainNamespace(strict)) +
           R"("><dimension ref="A1"/><sheetViews><sheetView workbookViewId="0"/></sheetViews><sheetData>)" +
           sheetData +
           R"(</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";
}

QByteArray SharedStringsXml(const QByteArray& items, bool strict) {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns=")" +
           QByteArray(mainNamespace(strict)) + R"(">)" + items + "</sst>";
}

std::vector<ZipEntry> XlsxEntries(const XlsxPackage& package) {
    const bool strict = package.strict;
    const bool absolute = package.names == PartNames::Absolute;
    const int count = static_cast<int>(package.sheets.size());
    std::vector<ZipEntry> entries;
    entries.push_back({QStringLiteral("[Content_Types].xml"),
                       R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>)"});
    entries.push_back({QStringLiteral("_rels/.rels"),
                       relationships({{"rId1",
                                       {relationshipType(strict, QStringLiteral("officeDocument")),
                                        absolute ? "/xl/workbook.xml" : "xl/workbook.xml"}}})});

    QByteArray workbook = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns=")" + QByteArray(mainNamespace(strict)) +
                          R"(" xmlns:r=")" + relationshipNamespace(strict) + R"("><workbookPr )" +
                          package.workbookPr.toUtf8() + "/><sheets>";
    QList<std::pair<QByteArray, std::pair<QByteArray, QByteArray>>> rels;
    for (int i = 0; i < count; ++i) {
        const int rid = package.names == PartNames::Reversed ? count - i : i + 1;
        const QByteArray id = "rId" + QByteArray::number(rid);
        workbook += R"(<sheet name=")" +
                    package.sheets[static_cast<size_t>(i)].name.toHtmlEscaped().toUtf8() + R"(" sheetId=")" +
                    QByteArray::number(i + 1) + R"(" r:id=")" + id + R"("/>)";
        const QByteArray file = "worksheets/sheet" + QByteArray::number(i + 1) + ".xml";
        rels.append({id,
                     {relationshipType(strict, package.sheets[static_cast<size_t>(i)].relationshipType),
                      absolute ? "/xl/" + file : file}});
        entries.push_back(
            {QStringLiteral("xl/") + QString::fromLatin1(file), package.sheets[static_cast<size_t>(i)].xml});
    }
    workbook += "</sheets></workbook>";
    entries.push_back({QStringLiteral("xl/workbook.xml"), workbook});
    if (!package.sharedStrings.isEmpty()) {
        rels.append({"rId" + QByteArray::number(count + 1),
                     {relationshipType(strict, QStringLiteral("sharedStrings")),
                      absolute ? "/xl/sharedStrings.xml" : "sharedStrings.xml"}});
        entries.push_back({QStringLiteral("xl/sharedStrings.xml"), package.sharedStrings});
    }
    if (!package.styles.isEmpty()) {
        rels.append({"rId" + QByteArray::number(count + 2),
                     {relationshipType(strict, QStringLiteral("styles")),
                      absolute ? "/xl/styles.xml" : "styles.xml"}});
        entries.push_back({QStringLiteral("xl/styles.xml"), package.styles});
    }
    entries.push_back({QStringLiteral("xl/_rels/workbook.xml.rels"), relationships(rels)});
    if (package.names == PartNames::Backslash) {
        for (ZipEntry& entry : entries) {
            entry.name.replace(QLatin1Char('/'), QLatin1Char('\\'));
        }
    }
    return entries;
}

QByteArray MakeXlsx(const XlsxPackage& package) {
    return MakeZip(XlsxEntries(package));
}

// ---- .ods ------------------------------------------------------------------------------------------

QByteArray MakeOds(const QByteArray& tables, const QByteArray& mimetype) {
    const QByteArray content = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" office:version="1.3"><office:automatic-styles/><office:body><office:spreadsheet>)" +
                               tables + "</office:spreadsheet></office:body></office:document-content>";
    return MakeZip(
        {{QStringLiteral("mimetype"), mimetype, true},
         {QStringLiteral("content.xml"), content},
         {QStringLiteral("META-INF/manifest.xml"),
          R"(<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"/>)"}});
}

// ---- compound files --------------------------------------------------------------------------------

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr int kSector = 512;

QByteArray directoryEntry(const QString& name, int type, quint32 right, quint32 child, quint32 start,
                          quint64 size) {
    QByteArray entry(128, '\0');
    for (int i = 0; i < name.size() && i < 31; ++i) {
        qToLittleEndian<quint16>(name[i].unicode(), entry.data() + 2 * i);
    }
    qToLittleEndian<quint16>(static_cast<quint16>(name.isEmpty() ? 0 : (name.size() + 1) * 2),
                             entry.data() + 0x40);
    entry[0x42] = static_cast<char>(type);
    entry[0x43] = 1;  // black
    qToLittleEndian<quint32>(kFree, entry.data() + 0x44);
    qToLittleEndian<quint32>(right, entry.data() + 0x48);
    qToLittleEndian<quint32>(child, entry.data() + 0x4C);
    qToLittleEndian<quint32>(start, entry.data() + 0x74);
    qToLittleEndian<quint64>(size, entry.data() + 0x78);
    return entry;
}

}  // namespace

QByteArray MakeCompoundFile(const std::vector<std::pair<QString, QByteArray>>& streams) {
    std::vector<QByteArray> sectors;
    std::vector<quint32> fat;
    // Appends `data` as a chain of sectors: its first sector, or end-of-chain for no data.
    const auto allocate = [&](const QByteArray& data) -> quint32 {
        if (data.isEmpty()) {
            return kEndOfChain;
        }
        const quint32 first = static_cast<quint32>(sectors.size());
        for (qsizetype at = 0; at < data.size(); at += kSector) {
            QByteArray sector = data.mid(at, kSector);
            sector.append(QByteArray(kSector - sector.size(), '\0'));
            sectors.push_back(sector);
            fat.push_back(static_cast<quint32>(sectors.size()));
        }
        fat.back() = kEndOfChain;
        return first;
    };

    std::vector<quint32> starts;
    QByteArray miniStream;
    std::vector<quint32> miniFat;
    for (const auto& [name, data] : streams) {
        if (data.size() >= 4096) {
            starts.push_back(allocate(data));
        } else if (data.isEmpty()) {
            starts.push_back(kEndOfChain);
        } else {
            const quint32 first = static_cast<quint32>(miniStream.size() / 64);
            QByteArray padded = data;
            padded.append(QByteArray((64 - padded.size() % 64) % 64, '\0'));
            miniStream += padded;
            for (qsizetype i = 0; i < padded.size() / 64; ++i) {
                miniFat.push_back(first + static_cast<quint32>(i) + 1);
            }
            miniFat.back() = kEndOfChain;
            starts.push_back(first);
        }
    }
    const quint32 miniStart = allocate(miniStream);
    QByteArray miniFatBytes;
    for (quint32 next : miniFat) {
        PutU32(miniFatBytes, next);
    }
    const quint32 miniFatStart = allocate(miniFatBytes);
    const quint32 miniFatSectors = static_cast<quint32>((miniFatBytes.size() + kSector - 1) / kSector);

    QByteArray directory = directoryEntry(QStringLiteral("Root Entry"), 5, kFree, streams.empty() ? kFree : 1,
                                          miniStart, static_cast<quint64>(miniStream.size()));
    for (size_t i = 0; i < streams.size(); ++i) {
        const quint32 right = i + 1 < streams.size() ? static_cast<quint32>(i + 2) : kFree;
        directory += directoryEntry(streams[i].first, 2, right, kFree, starts[i],
                                    static_cast<quint64>(streams[i].second.size()));
    }
    while (directory.size() % kSector != 0) {
        directory += directoryEntry(QString(), 0, kFree, kFree, 0, 0);
    }
    const quint32 directoryStart = allocate(directory);

    // The FAT covers every sector, its own included.
    quint32 fatSectors = 1;
    while ((sectors.size() + fatSectors) > fatSectors * (kSector / 4)) {
        ++fatSectors;
    }
    const quint32 firstFat = static_cast<quint32>(sectors.size());
    for (quint32 i = 0; i < fatSectors; ++i) {
        fat.push_back(kFatSector);
    }
    fat.resize(fatSectors * (kSector / 4), kFree);
    QByteArray fatBytes;
    for (quint32 next : fat) {
        PutU32(fatBytes, next);
    }

    QByteArray header(kSector, '\0');
    std::memcpy(header.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    SetU16(header, 0x18, 0x3E);
    SetU16(header, 0x1A, 3);
    SetU16(header, 0x1C, 0xFFFE);
    SetU16(header, 0x1E, 9);
    SetU16(header, 0x20, 6);
    SetU32(header, 0x2C, fatSectors);
    SetU32(header, 0x30, directoryStart);
    SetU32(header, 0x38, 4096);
    SetU32(header, 0x3C, miniFatStart);
    SetU32(header, 0x40, miniFatSectors);
    SetU32(header, 0x44, kEndOfChain);
    for (int i = 0; i < 109; ++i) {
        SetU32(header, 0x4C + 4 * i,
               i < static_cast<int>(fatSectors) ? firstFat + static_cast<quint32>(i) : kFree);
    }
    QByteArray file = header;
    for (const QByteArray& sector : sectors) {
        file += sector;
    }
    return file + fatBytes;
}

quint32 CfbHeaderField(const QByteArray& file, int offset) {
    return qFromLittleEndian<quint32>(file.constData() + offset);
}

qint64 CfbSectorOffset(quint32 sector) {
    return (qint64{sector} + 1) * kSector;
}

qint64 CfbFatEntryOffset(const QByteArray& file, quint32 sector) {
    const quint32 fatSector = CfbHeaderField(file, 0x4C + 4 * static_cast<int>(sector / (kSector / 4)));
    return CfbSectorOffset(fatSector) + 4 * (sector % (kSector / 4));
}

qint64 CfbDirectoryEntryOffset(const QByteArray& file, int id) {
    return CfbSectorOffset(CfbHeaderField(file, 0x30)) + 128 * id;
}

// ---- BIFF records ----------------------------------------------------------------------------------

void PutU16(QByteArray& bytes, quint16 value) {
    char b[2];
    qToLittleEndian(value, b);
    bytes.append(b, 2);
}

void PutU32(QByteArray& bytes, quint32 value) {
    char b[4];
    qToLittleEndian(value, b);
    bytes.append(b, 4);
}

void PutF64(QByteArray& bytes, double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    bytes.append(b, 8);
}

void SetU16(QByteArray& bytes, qsizetype at, quint16 value) {
    qToLittleEndian(value, bytes.data() + at);
}
void SetU32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

QByteArray BiffRecord(quint16 type, const QByteArray& body) {
    QByteArray record;
    PutU16(record, type);
    PutU16(record, static_cast<quint16>(body.size()));
    return record + body;
}

QByteArray BiffCell(int row, int col, quint16 xf) {
    QByteArray cell;
    PutU16(cell, static_cast<quint16>(row - 1));
    PutU16(cell, static_cast<quint16>(col - 1));
    PutU16(cell, xf);
    return cell;
}

QByteArray BiffUnicodeString(const QString& text, bool forceWide) {
    const bool wide =
        forceWide || std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
    QByteArray bytes;
    PutU16(bytes, static_cast<quint16>(text.size()));
    bytes.append(wide ? '\x01' : '\x00');
    for (QChar c : text) {
        if (wide) {
            PutU16(bytes, c.unicode());
        } else {
            bytes.append(static_cast<char>(c.unicode()));
        }
    }
    return bytes;
}

namespace {

QByteArray bofBody(quint16 version, quint16 type) {
    QByteArray body;
    PutU16(body, version);
    PutU16(body, type);
    PutU16(body, 0x0DBB);  // build
    PutU16(body, 0x07CC);  // year
    if (version == 0x0600) {
        PutU32(body, 0);     // file history
        PutU32(body, 0x06);  // lowest version
    }
    return body;
}

// Globals, then the sheets, with each BOUNDSHEET's offset patched to its sheet.
QByteArray assemble(quint16 version, const QByteArray& globalsHead,
                    const std::vector<QByteArray>& boundSheets, const QByteArray& globalsTail,
                    const std::vector<BiffSheet>& sheets) {
    QByteArray stream = BiffRecord(0x0809, bofBody(version, 0x0005)) + globalsHead;
    std::vector<qsizetype> patches;
    for (const QByteArray& boundSheet : boundSheets) {
        patches.push_back(stream.size() + 4);
        stream += BiffRecord(0x0085, boundSheet);
    }
    stream += globalsTail + BiffRecord(0x000A, {});
    for (size_t i = 0; i < sheets.size(); ++i) {
        SetU32(stream, patches[i], static_cast<quint32>(stream.size()));
        stream += BiffRecord(0x0809, bofBody(version, sheets[i].type == 2 ? 0x0020 : 0x0010)) +
                  sheets[i].records + BiffRecord(0x000A, {});
    }
    return stream;
}

}  // namespace

QByteArray Biff8Workbook(const std::vector<BiffSheet>& sheets, const QByteArray& globals,
                         const QByteArray& sst) {
    QByteArray head;
    QByteArray codePage;
    PutU16(codePage, 1200);
    head += BiffRecord(0x0042, codePage) + globals;
    std::vector<QByteArray> boundSheets;
    for (const BiffSheet& sheet : sheets) {
        QByteArray body;
        PutU32(body, 0);
        body.append('\0');
        body.append(static_cast<char>(sheet.type));
        const QByteArray name = BiffUnicodeString(sheet.name);
        body += name.mid(0, 1) + name.mid(2);  // ShortXLUnicodeString: an 8-bit count
        boundSheets.push_back(body);
    }
    return assemble(0x0600, head, boundSheets, sst, sheets);
}

QByteArray Biff5Workbook(const std::vector<BiffSheet>& sheets, quint16 codePage, const char* encoding) {
    QByteArray head;
    QByteArray body;
    PutU16(body, codePage);
    head += BiffRecord(0x0042, body);
    QStringEncoder encode(encoding);
    std::vector<QByteArray> boundSheets;
    for (const BiffSheet& sheet : sheets) {
        const QByteArray name = encode(sheet.name);
        QByteArray b;
        PutU32(b, 0);
        b.append('\0');
        b.append(static_cast<char>(sheet.type));
        b.append(static_cast<char>(name.size()));
        b += name;
        boundSheets.push_back(b);
    }
    return assemble(0x0500, head, boundSheets, {}, sheets);
}

}  // namespace velmora::test
