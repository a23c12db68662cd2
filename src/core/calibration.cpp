#include "calibration.h"

#include <QRegularExpression>
#include <utility>

#include "number_text.h"
#include "settings_keys.h"
#include "settings_store.h"

namespace velmora {

namespace {

const QString& keyOf(Axis axis) {
    return axis == Axis::X ? kCalibrationKeyX : kCalibrationKeyY;
}

}  // namespace

bool InCalibrationRange(double millimetres) {
    return millimetres >= kCalibrationMinimum && millimetres <= kCalibrationMaximum;
}

std::optional<double> CalibrationEntry(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[-+]?(?:[0-9]|\\.[0-9])"));
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("[ \\t\\n]")));
    const double value = LeadingNumber(text);
    if (!number.match(compact).hasMatch() || !InCalibrationRange(value)) {
        return std::nullopt;
    }
    return value;
}

QString CalibrationStore::section(const QString& printer) {
    if (printer.isEmpty()) {
        return kCollateSection;
    }
    // A slash would make a section within a section.
    QString name = printer;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return kCollateSection + QLatin1Char(' ') + name;
}

QString CalibrationStore::sectionFor(const QString& printer) const {
    const QString own = section(printer);
    if (own != kCollateSection && (!store_.get(kSettingsApplication, own, kCalibrationKeyX).isEmpty() ||
                                   !store_.get(kSettingsApplication, own, kCalibrationKeyY).isEmpty())) {
        return own;
    }
    return kCollateSection;
}

Calibration CalibrationStore::read(const QString& printer) const {
    return {{LeadingNumber(text(Axis::X, printer))}, {LeadingNumber(text(Axis::Y, printer))}};
}

CalibrationReading CalibrationStore::reading(const QString& printer) const {
    CalibrationReading result;
    result.value = read(printer);
    const QString x = text(Axis::X, printer);
    const QString y = text(Axis::Y, printer);
    result.stored = !x.isEmpty() || !y.isEmpty();
    if (!result.stored) {
        return result;
    }
    for (const auto& [key, value] : {std::pair{kCalibrationKeyX, x}, std::pair{kCalibrationKeyY, y}}) {
        if (!CalibrationEntry(value)) {
            result.problem = QStringLiteral(
                                 "设置中保存的打印机校准值 %1=“%2”不是 0～30 之间的数字，汇款单不能按它打印。"
                                 "请按“打印机校准”重新输入校准值。")
                                 .arg(key, value);
            break;
        }
    }
    return result;
}

QString CalibrationStore::text(Axis axis, const QString& printer) const {
    return store_.get(kSettingsApplication, sectionFor(printer), keyOf(axis));
}

void CalibrationStore::save(Calibration calibration, const QString& printer) {
    for (const QString& target : {kCollateSection, section(printer)}) {
        store_.save(kSettingsApplication, target, kCalibrationKeyX, TrimmedNumberText(calibration.x.value));
        store_.save(kSettingsApplication, target, kCalibrationKeyY, TrimmedNumberText(calibration.y.value));
        if (printer.isEmpty()) {
            break;
        }
    }
}

}  // namespace velmora
