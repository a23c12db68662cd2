#include "draw_remittance.h"

#include "blanks.h"
#include "printer_surface.h"
#include "rounding.h"

namespace velmora {

namespace {

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

// The amount's figures: the text without its sign and its point.
QString figuresOf(QString amount) {
    amount.remove(kYuanSign);
    amount.remove(QLatin1Char('.'));
    return amount;
}

}  // namespace

qsizetype CharacterCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            ++count;
        }
    }
    return count;
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

void DrawRemittance(const FormContent& form, Offsets offsets, PrinterSurface& surface) {
    // The layouts corrected by the calibration; spacing from 1/600 inch to device pixels.
    auto fields = FieldLayout;
    auto checks = CheckLayout;
    const float twipsPerDotY = surface.twipsPerDotY();
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        checks[i].x = checks[i].x - offsets.x;
        fields[i].x = fields[i].x - offsets.x;
        checks[i].y = checks[i].y - offsets.y;
        fields[i].y = fields[i].y - offsets.y;
        fields[i].extraSpacing = fields[i].extraSpacing * 2.4 / surface.twipsPerDotX();
    }

    // A position that cannot be expressed (an absurd calibration value) skips what it places; the
    // rest of the form is still drawn.
    surface.setBold(true);
    for (const Field id : kFields) {
        const std::size_t i = indexOf(id);
        const FieldPlacement& field = fields[i];

        // Invisible; the first one starts the document and its page.
        surface.printText(QStringLiteral("   "));

        if (form.checks[i] == CheckValue::Ticked) {
            try {
                surface.setCursor(Twips{double(MmToTwips(checks[i].x))},
                                  Twips{double(MmToTwips(checks[i].y))});
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

        QString s = TrimBlanks(form.texts[i]);
        if (id == Field::Amount) {
            // Right-aligned in the nine boxes: the last two figures fall on the jiao and fen boxes.
            s = figuresOf(s);
            const qsizetype count = CharacterCount(s);
            if (count < kAmountBoxes) {
                s.prepend(QString(kAmountBoxes - count, QLatin1Char(' ')));
            }
        }

        bool drewLine = false;
        DevicePixels x;
        DevicePixels y;
        const QStringList lines = SplitIntoLines(s, field.charactersPerLine, kPrintedLinesPerField);
        for (int j = 0; j < lines.size(); ++j) {
            try {
                x = MmToDevicePixels(field.x, Axis::X, surface);
                y = MmToDevicePixels(field.y, Axis::Y, surface);
                // Consecutive lines lie one font size apart.
                const float lineStep = float(j) * field.fontSize * 20.0f / twipsPerDotY;
                y = {RoundToLong(double(y.value) + double(lineStep))};
            } catch (const RoundingOverflow&) {
                drewLine = false;
                continue;
            }
            surface.textOut(x, y, lines[j]);
            drewLine = true;
        }

        if (id == Field::Amount && drewLine) {
            // The sign stands in the box before the first figure, 2 mm to the left; with nine or
            // more figures there is no box left for it.
            const qsizetype figures = CharacterCount(TrimBlanks(figuresOf(form.texts[i])));
            if (figures <= kAmountBoxes - 1) {
                try {
                    const std::int64_t pitch = MmToDevicePixels(kAmountBoxPitch, Axis::X, surface).value;
                    const std::int32_t signX =
                        RoundToLong(double(x.value + (kAmountBoxes - 1 - figures) * pitch));
                    const std::int32_t shift = MmToDevicePixels(kYuanSignShift, Axis::X, surface).value;
                    surface.textOut({RoundToLong(double(signX) - shift)}, y, kYuanSign);
                } catch (const RoundingOverflow&) {
                }
            }
        }
    }
    surface.endDocument();
}

}  // namespace velmora
