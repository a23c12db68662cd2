#include "printable_text.h"

#include <QFontMetricsF>
#include <QSet>

#include "fonts.h"

namespace velmora {

namespace {

QString codeText(char32_t code) {
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

// Characters that print nothing or change how the rest prints: C0 and C1 controls, DEL, the line and
// paragraph separators, and the format characters, among them the bidirectional controls (U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069) that would print a name reversed.
bool isControl(QChar::Category category) {
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           category == QChar::Separator_Line || category == QChar::Separator_Paragraph;
}

// The fields whose boxes take several lines: a line feed, or a line or paragraph separator, there is
// the operator's own line break.
bool takesSeveralLines(Field field) {
    return field == Field::PayeeAddress || field == Field::RemitterAddress || field == Field::Message;
}

}  // namespace

std::vector<QString> UnprintableCharacters(const QString& text, bool severalLines) {
    std::vector<QString> found;
    QSet<char32_t> told;
    // The printer's font as the renderer sets it up; its fallbacks answer for what it lacks.
    const QFontMetricsF metrics(SongFont());
    for (qsizetype i = 0; i < text.size();) {
        const QChar unit = text.at(i);
        const bool pair = unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(unit, text.at(i + 1)) : unit.unicode();
        i += pair ? 2 : 1;
        const bool lineBreak = code == U'\n' || code == 0x2028 || code == 0x2029;
        if ((lineBreak && severalLines) || told.contains(code)) {
            continue;
        }
        const QChar::Category category = QChar::category(code);
        QString kind;  // what sort of character it is; empty: one the fonts lack
        if (QChar::isSurrogate(code)) {
            kind = QStringLiteral("不完整字符");
        } else if (isControl(category)) {
            kind = QStringLiteral("控制字符");
        } else if (code == 0xFFFD) {
            kind = QStringLiteral("乱码字符");
        } else if (category == QChar::Other_PrivateUse) {
            kind = QStringLiteral("私用区字符");
        } else if (metrics.inFontUcs4(code)) {
            continue;
        }
        const QString shown =
            kind.isEmpty() ? QStringLiteral("“") + QString::fromUcs4(&code, 1) + QStringLiteral("”") : kind;
        told.insert(code);
        found.push_back(QStringLiteral("中的") + shown + QStringLiteral("（") + codeText(code) +
                        QStringLiteral("）无法打印"));
    }
    return found;
}

void CheckPrintableCharacters(const FormContent& form, std::vector<FieldNote>& problems) {
    for (const Field field : kFields) {
        for (const QString& why : UnprintableCharacters(form.text(field), takesSeveralLines(field))) {
            problems.push_back({field, FieldName(field) + why});
        }
    }
}

}  // namespace velmora
