#include "workbook_files.h"

#include <zip.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
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
        return e.number;
    }
    return 0;
}

QString Cells(const QByteArray& bytes, const QString& cells, const QString& suffix) {
    std::unique_ptr<Worksheet> sheet;
    QStringList texts;
    for (const QString& cell : cells.split(u' ')) {
        QString text;
        const int error = ErrorNumber([&] {
            if (!sheet) {
                sheet = openWorkbookData(bytes, suffix)->worksheet(QStringLiteral("Sheet1"));
            }
            text = sheet->cellText(cell.section(u',', 0, 0).toInt(), cell.section(u',', 1, 1).toInt());
        });
        texts << (error == 0 ? text : QStringLiteral("error %1").arg(error));
    }
    return texts.join(u'|');
}

void Seed(const char* reader, const QByteArray& bytes) {
    const QString dir = qEnvironmentVariable("VELMORA_SEEDS");
    QFile file(QStringLiteral("%1/%2/crafted-%3")
                   .arg(dir, QLatin1String(reader), QString::number(qHash(bytes), 16)));
    if (!dir.isEmpty() && bytes.size() <= 65536 && file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

QByteArray MakeZip(const std::vector<ZipEntry>& entries) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.zip"));
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        const zip_int64_t index =
            zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), 1704067200,
                           0);  // the same bytes each run
        if (entry.encrypted) {
            zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_TRAD_PKWARE,
                                    "password");
        }
    }
    if (archive == nullptr || zip_close(archive) != 0) {
        throw std::runtime_error("cannot write a zip file");
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray zip = file.readAll();
    Seed(entries.empty() || entries[0].name != QLatin1String("mimetype") ? "xlsx" : "ods", zip);
    return zip;
}

QByteArray WithWrongCrc(QByteArray zip, int index) {
    const qsizetype central = zip.indexOf("PK\x01\x02");
    qsizetype at = central;
    for (int i = 0; i < index; ++i) {
        at = zip.indexOf("PK\x01\x02", at + 4);
    }
    const quint32 crc = ~U32At(zip, at + 16);
    SetU32(zip, at + 16, crc);
    SetU32(zip, U32At(zip, at + 42) + 14, crc);
    return zip;
}

namespace {

QByteArray ns(bool strict, const char* transitional, const char* strictName) {
    return strict ? QByteArray("http://purl.oclc.org/ooxml/") + strictName
                  : QByteArray("http://schemas.openxmlformats.org/") + transitional;
}

QByteArray main(bool strict) {
    return ns(strict, "spreadsheetml/2006/main", "spreadsheetml/main");
}

QByteArray relationships(const std::vector<std::pair<QByteArray, QByteArray>>& typesAndTargets, bool strict) {
    QByteArray xml =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    int id = 0;
    for (const auto& [type, target] : typesAndTargets) {
        xml += R"(<Relationship Id="rId)" + QByteArray::number(++id) + R"(" Type=")" +
               ns(strict, "officeDocument/2006/relationships/", "officeDocument/relationships/") + type +
               R"(" Target=")" + target + R"("/>)";
    }
    return xml + "</Relationships>";
}

}  // namespace

QByteArray SheetXml(const QByteArray& data, const QByteArray& root, bool strict) {
    const bool whole = data.startsWith("<sheetData") || data.startsWith("<sheetPr");
    return R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns=")" + main(strict) + "\" " + root + ">" +
           (whole ? data : "<sheetData>" + data + "</sheetData>") + "<pageMargins/></worksheet>";
}

QByteArray SstXml(const QByteArray& items, bool strict) {
    return R"(<sst xmlns=")" + main(strict) + R"(">)" + items + "</sst>";
}

std::vector<ZipEntry> Xlsx::entries() const {
    const QByteArray root = odd ? "/xl/" : "";
    QByteArray workbook = "<workbook xmlns=\"" + main(strict) + "\" xmlns:r=\"" +
                          ns(strict, "officeDocument/2006/relationships", "officeDocument/relationships") +
                          "\"><workbookPr " + workbookAttributes + "/><sheets>";
    std::vector<std::pair<QByteArray, QByteArray>> rels;
    std::vector<ZipEntry> result = {
        {QStringLiteral("[Content_Types].xml"), "<Types/>"},
        {QStringLiteral("_rels/.rels"),
         relationships({{"officeDocument", root + (odd ? "workbook.xml" : "xl/workbook.xml")}}, strict)}};
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(qsizetype(i + 1));
        workbook +=
            "<sheet name=\"" + sheets[i].first.toUtf8() + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        const bool chart = sheets[i].second.startsWith("<chartsheet");
        rels.push_back({chart ? "chartsheet" : "worksheet", root + "worksheets/sheet" + n + ".xml"});
        result.push_back({QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), sheets[i].second});
    }
    if (!sharedStrings.isEmpty()) {
        rels.push_back({"sharedStrings", root + "sharedStrings.xml"});
        result.push_back({QStringLiteral("xl/sharedStrings.xml"), sharedStrings});
    }
    if (!styles.isEmpty()) {
        rels.push_back({"styles", root + "styles.xml"});
        result.push_back({QStringLiteral("xl/styles.xml"), styles});
    }
    result.push_back(
        {QStringLiteral("xl/workbook.xml"), workbook + "</sheets>" + afterSheets + "</workbook>"});
    result.push_back({QStringLiteral("xl/_rels/workbook.xml.rels"), relationships(rels, strict)});
    for (ZipEntry& e : result) {
        e.name.replace(QLatin1Char('/'), odd ? QLatin1Char('\\') : QLatin1Char('/'));
    }
    return result;
}

QByteArray OdsContent(const QByteArray& tables, const QByteArray& styles) {
    return R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" xmlns:ev="urn:evil"><office:automatic-styles>)" +
           styles + "</office:automatic-styles><office:body><office:spreadsheet>" + tables +
           "</office:spreadsheet></office:body></office:document-content>";
}

QByteArray MakeOds(const QByteArray& tables, const QByteArray& styles, const QByteArray& mimetype) {
    return MakeZip({{QStringLiteral("mimetype"), mimetype, true},
                    {QStringLiteral("content.xml"), OdsContent(tables, styles)}});
}

QByteArray Attributes(int count) {
    QByteArray a;
    for (int i = 0; i < count; ++i) {
        a += " a" + QByteArray::number(i) + "=\"\"";
    }
    return a;
}

QByteArray NestedDeclarations(int depth, const QByteArray& inside) {
    return QByteArray("<x:e xmlns:x=\"urn:x\">").repeated(depth) + inside +
           QByteArray("</x:e>").repeated(depth);
}

QByteArray U16(quint16 value) {
    char b[2];
    qToLittleEndian(value, b);
    return QByteArray(b, 2);
}
QByteArray U32(quint32 value) {
    char b[4];
    qToLittleEndian(value, b);
    return QByteArray(b, 4);
}
QByteArray F64(double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(quint32(bits)) + U32(quint32(bits >> 32));
}
quint32 U32At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
void SetU32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

QByteArray MakeCompoundFile(const std::vector<std::pair<QString, QByteArray>>& streams) {
    constexpr quint32 kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
    QByteArray sectors;
    std::vector<quint32> fat;
    const auto allocate = [&](QByteArray data) -> quint32 {  // a chain of sectors: its first, or kEnd
        if (data.isEmpty()) {
            return kEnd;
        }
        const quint32 first = quint32(fat.size());
        data.append(QByteArray((512 - data.size() % 512) % 512, '\0'));
        sectors += data;
        for (qsizetype i = 1; i <= data.size() / 512; ++i) {
            fat.push_back(i == data.size() / 512 ? kEnd : first + quint32(i));
        }
        return first;
    };
    std::vector<quint32> starts;
    QByteArray mini, miniFat;
    for (const auto& [name, data] : streams) {
        if (data.size() >= 4096) {
            starts.push_back(allocate(data));
            continue;
        }
        const quint32 first = quint32(mini.size() / 64);
        const qsizetype count = (data.size() + 63) / 64;
        mini += data + QByteArray(count * 64 - data.size(), '\0');
        for (qsizetype i = 1; i <= count; ++i) {
            miniFat += U32(i == count ? kEnd : first + quint32(i));
        }
        starts.push_back(count == 0 ? kEnd : first);
    }
    const quint32 miniStart = allocate(mini);
    const quint32 miniFatStart = allocate(miniFat);
    const auto entry = [=](const QString& name, int type, quint32 right, quint32 child, quint32 start,
                           quint32 size) {
        QByteArray e(128, '\0');
        for (int i = 0; i < name.size(); ++i) {
            qToLittleEndian<quint16>(name[i].unicode(), e.data() + 2 * i);
        }
        qToLittleEndian<quint16>(quint16(name.isEmpty() ? 0 : (name.size() + 1) * 2), e.data() + 0x40);
        e[0x42] = char(type);
        for (auto [at, v] :
             {std::pair{0x44, kFree}, {0x48, right}, {0x4C, child}, {0x74, start}, {0x78, size}}) {
            qToLittleEndian<quint32>(v, e.data() + at);
        }
        return e;
    };
    QByteArray directory = entry(QStringLiteral("Root Entry"), 5, kFree, streams.empty() ? kFree : 1,
                                 miniStart, quint32(mini.size()));
    for (size_t i = 0; i < streams.size(); ++i) {
        directory += entry(streams[i].first, 2, i + 1 < streams.size() ? quint32(i + 2) : kFree, kFree,
                           starts[i], quint32(streams[i].second.size()));
    }
    const quint32 directoryStart = allocate(directory);
    // The FAT's sectors (128 entries each) and, past the header's 109, DIFAT sectors listing them (127
    // each, and the next DIFAT sector): enough of each to cover every sector, their own included.
    quint32 fatSectors = 0, difatSectors = 0;
    for (quint32 covered = 0; covered < fat.size() + fatSectors + difatSectors;) {
        fatSectors = quint32((fat.size() + fatSectors + difatSectors + 127) / 128);
        difatSectors = fatSectors > 109 ? (fatSectors - 109 + 126) / 127 : 0;
        covered = fatSectors * 128;
    }
    const quint32 firstFat = quint32(fat.size());
    fat.insert(fat.end(), fatSectors, 0xFFFFFFFD);
    fat.insert(fat.end(), difatSectors, 0xFFFFFFFC);
    fat.resize(fatSectors * 128, kFree);
    QByteArray header(512, '\0');
    std::memcpy(header.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.replace(0x18, 10, U16(0x3E) + U16(3) + U16(0xFFFE) + U16(9) + U16(6));
    for (auto [at, v] : {std::pair{0x2C, fatSectors},
                         {0x30, directoryStart},
                         {0x38, 4096u},
                         {0x3C, miniFatStart},
                         {0x40, quint32((miniFat.size() + 511) / 512)},
                         {0x44, difatSectors > 0 ? firstFat + fatSectors : kEnd},
                         {0x48, difatSectors}}) {
        SetU32(header, at, v);
    }
    for (quint32 i = 0; i < 109 + 127 * difatSectors; ++i) {
        const quint32 value = i < fatSectors ? firstFat + i : kFree;
        if (i < 109) {
            SetU32(header, 0x4C + 4 * i, value);
        } else {
            fat.push_back(value);  // the DIFAT sectors follow the FAT
            if ((i - 109) % 127 == 126) {
                const quint32 next = (i - 109) / 127 + 1;
                fat.push_back(next < difatSectors ? firstFat + fatSectors + next : kEnd);
            }
        }
    }
    QByteArray file = header + sectors;
    for (quint32 next : fat) {
        file += U32(next);
    }
    Seed("xls", file);
    return file;
}

QByteArray BiffRecord(quint16 type, const QByteArray& body) {
    return U16(type) + U16(quint16(body.size())) + body;
}

QByteArray BiffCell(int row, int col, quint16 xf) {
    return U16(quint16(row - 1)) + U16(quint16(col - 1)) + U16(xf);
}

QByteArray BiffString(const QString& text) {
    const bool wide = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
    QByteArray bytes = U16(quint16(text.size())) + (wide ? '\x01' : '\x00');
    for (QChar c : text) {
        bytes += wide ? U16(c.unicode()) : QByteArray(1, char(c.unicode()));
    }
    return bytes;
}

namespace {

// A workbook stream: the globals, then the sheets, each BOUNDSHEET's offset patched to its sheet.
QByteArray assemble(quint16 version, const QByteArray& globals, const std::vector<QByteArray>& names,
                    const std::vector<QByteArray>& sheets) {
    const QByteArray bof = U16(version) + U16(0x0005) + QByteArray(version == 0x0600 ? 12 : 4, '\0');
    QByteArray stream = BiffRecord(0x0809, bof) + globals;
    std::vector<qsizetype> patches;
    for (const QByteArray& name : names) {
        patches.push_back(stream.size() + 4);
        stream += BiffRecord(0x0085, U32(0) + QByteArray(2, '\0') + name);
    }
    stream += BiffRecord(0x000A, {});
    for (size_t i = 0; i < sheets.size(); ++i) {
        SetU32(stream, patches[i], quint32(stream.size()));
        QByteArray sheetBof = bof;
        sheetBof[2] = 0x10;
        stream += BiffRecord(0x0809, sheetBof) + sheets[i] + BiffRecord(0x000A, {});
    }
    return stream;
}

}  // namespace

QByteArray Biff8(const std::vector<std::pair<QString, QByteArray>>& sheets, const QByteArray& globals) {
    std::vector<QByteArray> names, records;
    for (const auto& [name, r] : sheets) {
        names.push_back(BiffString(name).remove(1, 1));  // a ShortXLUnicodeString: an 8-bit count
        records.push_back(r);
    }
    return assemble(0x0600, BiffRecord(0x0042, U16(1200)) + globals, names, records);
}

QByteArray Biff5Gbk(const QByteArray& name, const QByteArray& records) {
    return assemble(0x0500, BiffRecord(0x0042, U16(936)), {char(name.size()) + name}, {records});
}

QByteArray MakeXls(const QByteArray& records, const QByteArray& globals) {
    return MakeCompoundFile(
        {{QStringLiteral("Workbook"), Biff8({{QStringLiteral("Sheet1"), records}}, globals)}});
}

}  // namespace velmora::test
