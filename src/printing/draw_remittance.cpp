#include "printing/draw_remittance.h"

#include <QStringList>
#include <cmath>
#include <limits>

#include "platform/printer_surface.h"
#include "text/blanks.h"

namespace velmora {

namespace {

// Characters in text: a surrogate pair counts as one.
qsizetype characterCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            ++count;
        }
    }
    return count;
}

// The UTF-16 length of the first n characters of text.
qsizetype prefixLength(const QString& text, qsizetype n) {
    qsizetype i = 0;
    for (qsizetype taken = 0; taken < n && i < text.size(); ++taken) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return i;
}

}  // namespace

std::int32_t RoundToLong(double value) {
    if (!std::isfinite(value)) {
        throw RoundingOverflow();
    }
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (whole < double(std::numeric_limits<std::int32_t>::min()) ||
        whole > double(std::numeric_limits<std::int32_t>::max())) {
        throw RoundingOverflow();
    }
    return static_cast<std::int32_t>(whole);
}

std::int32_t MmToTwips(double mm) {
    return RoundToLong(mm * 0.03937 * 1440);
}

std::int32_t MmToDevicePixels(double mm, QStringView axis, const PrinterSurface& surface) {
    const bool horizontal = axis == u"X" || axis == u"x";
    const double twipsPerDot = horizontal ? surface.twipsPerDotX() : surface.twipsPerDotY();
    return RoundToLong(double(MmToTwips(mm)) / twipsPerDot);
}

QStringList SplitIntoLines(const QString& text, int perLine, int maxLines) {
    QStringList lines;
    QString rest = text;
    for (int j = 0; j < maxLines; ++j) {
        const qsizetype n = prefixLength(rest, perLine);
        const QString line = rest.left(n);
        rest.remove(0, n);
        if (line.isEmpty()) {
            break;
        }
        lines << line;
    }
    return lines;
}

void DrawRemittance(const FormContent& form, double OffsetX, double OffsetY, PrinterSurface& surface) {
    // The layouts corrected by the calibration; spacing from 1/600 inch to device pixels.
    auto fields = FieldLayout;
    auto checks = CheckLayout;
    const float twipsPerDotX = surface.twipsPerDotX();
    const float twipsPerDotY = surface.twipsPerDotY();
    for (int i = 0; i < 9; ++i) {
        checks[i].x -= OffsetX;
        fields[i].x -= OffsetX;
        checks[i].y -= OffsetY;
        fields[i].y -= OffsetY;
        fields[i].extraSpacing = fields[i].extraSpacing * 2.4 / twipsPerDotX;
    }

    // A position that cannot be expressed (an absurd calibration value) skips what it places; the
    // rest of the form is still drawn.
    surface.setBold(true);
    for (int i = 0; i < 9; ++i) {
        const FieldPlacement& field = fields[i];

        // Invisible; the first one starts the document and its page.
        surface.printText(QStringLiteral("   "));

        if (form.check[i] == 1) {
            try {
                surface.setCursor(MmToTwips(checks[i].x), MmToTwips(checks[i].y));
                surface.setFontSize(kTickFontSize);
                surface.printText(kTick);
            } catch (const RoundingOverflow&) {
            }
        }

        surface.setFontSize(field.fontSize);
        try {
            surface.setCharacterExtra(RoundToLong(field.extraSpacing));
        } catch (const RoundingOverflow&) {
        }

        QString s = TrimBlanks(form.text[i]);
        if (i == kAmountField) {
            // The figures without sign and point, right-aligned in the nine boxes: the last two
            // fall on the jiao and fen boxes.
            s.remove(kYuanSign);
            s.remove(QLatin1Char('.'));
            const qsizetype count = characterCount(s);
            if (count < kAmountBoxes) {
                s.prepend(QString(kAmountBoxes - count, QLatin1Char(' ')));
            }
        }

        bool drewLine = false;
        std::int32_t x = 0;
        std::int32_t y = 0;
        const QStringList lines = SplitIntoLines(s, field.charactersPerLine, kPrintedLinesPerField);
        for (int j = 0; j < lines.size(); ++j) {
            try {
                x = MmToDevicePixels(field.x, u"x", surface);
                y = MmToDevicePixels(field.y, u"y", surface);
                // Consecutive lines lie one font size apart.
                const float lineStep = float(j) * field.fontSize * 20.0f / twipsPerDotY;
                y = RoundToLong(double(y) + double(lineStep));
            } catch (const RoundingOverflow&) {
                drewLine = false;
                continue;
            }
            surface.textOut(x, y, lines[j]);
            drewLine = true;
        }

        if (i == kAmountField && drewLine) {
            // The sign stands in the box before the first figure, 2 mm to the left; with nine or
            // more figures there is no box left for it.
            QString t = form.text[i];
            t.remove(kYuanSign);
            t.remove(QLatin1Char('.'));
            t = TrimBlanks(t);
            const qsizetype figures = characterCount(t);
            if (figures <= 8) {
                try {
                    const std::int64_t pitch = MmToDevicePixels(50.0 / 9.0, u"x", surface);
                    const std::int32_t signX = RoundToLong(double(x + (8 - figures) * pitch));
                    surface.textOut(RoundToLong(double(signX) - MmToDevicePixels(2, u"x", surface)), y,
                                    kYuanSign);
                } catch (const RoundingOverflow&) {
                }
            }
        }
    }
    surface.endDocument();
}

}  // namespace velmora
