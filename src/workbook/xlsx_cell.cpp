#include "xlsx_cell.h"

#include <algorithm>

namespace velmora::xlsx {

const XmlVocabulary kSpreadsheetMl{
    {QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"),
     QStringLiteral("http://purl.oclc.org/ooxml/spreadsheetml/main")},
    true};

QString DecodeEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x') &&
            text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const ushort code = QStringView(text).mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                result.append(QChar(code));
                i += 6;
                continue;
            }
        }
        result.append(text[i]);
    }
    return result;
}

bool IsBlank(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

std::pair<int, int> CellReference(QByteArrayView reference) {
    int col = 0;
    qsizetype i = 0;
    for (; i < reference.size() && i < 3; ++i) {
        const char c = reference[i];
        if (c >= 'A' && c <= 'Z') {
            col = col * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            col = col * 26 + (c - 'a' + 1);
        } else {
            break;
        }
    }
    int row = 0;
    for (qsizetype j = i; j < reference.size(); ++j) {
        if (reference[j] < '0' || reference[j] > '9' || row > kXlsxMaxRow) {
            return {0, 0};
        }
        row = row * 10 + (reference[j] - '0');
    }
    return {i == 0 ? 0 : col, row};
}

int RowNumber(QByteArrayView text) {
    int row = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || row > kXlsxMaxRow) {
            return 0;
        }
        row = row * 10 + (c - '0');
    }
    return row <= kXlsxMaxRow ? row : 0;
}

void AddMergedRange(MergedRanges& merged, QByteArrayView ref) {
    const qsizetype colon = ref.indexOf(':');
    const auto [firstCol, firstRow] = CellReference(colon < 0 ? ref : ref.first(colon));
    const auto [lastCol, lastRow] =
        colon < 0 ? std::pair{firstCol, firstRow} : CellReference(ref.sliced(colon + 1));
    for (int col : {firstCol, lastCol}) {
        if (col < 1 || col > kXlsxMaxColumn) {
            ThrowBroken(QStringLiteral("merged range %1").arg(QString::fromLatin1(ref)));
        }
    }
    for (int row : {firstRow, lastRow}) {
        if (row < 1 || row > kXlsxMaxRow) {
            ThrowBroken(QStringLiteral("merged range %1").arg(QString::fromLatin1(ref)));
        }
    }
    merged.add(firstRow, firstCol, lastRow, lastCol);
}

QString DecodeXmlText(QByteArrayView raw) {
    QString text;
    qsizetype plain = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '&' && c != '\r') {
            continue;
        }
        text += QString::fromUtf8(raw.sliced(plain, i - plain));
        plain = i + 1;
        if (c == '\r') {
            text += QLatin1Char('\n');
            if (i + 1 < raw.size() && raw[i + 1] == '\n') {
                ++i;
                plain = i + 1;
            }
            continue;
        }
        const qsizetype end = raw.sliced(i).indexOf(';');
        if (end < 0) {
            continue;
        }
        const QByteArrayView name = raw.sliced(i + 1, end - 1);
        char32_t code = 0;
        if (name == "lt") {
            code = '<';
        } else if (name == "gt") {
            code = '>';
        } else if (name == "amp") {
            code = '&';
        } else if (name == "quot") {
            code = '"';
        } else if (name == "apos") {
            code = '\'';
        } else if (name.startsWith("#x")) {
            code = name.sliced(2).toByteArray().toUInt(nullptr, 16);
        } else if (name.startsWith('#')) {
            code = name.sliced(1).toByteArray().toUInt();
        }
        text += QString::fromUcs4(&code, 1);
        i += end;
        plain = i + 1;
    }
    return text + QString::fromUtf8(raw.sliced(plain));
}

}  // namespace velmora::xlsx
