#include "calibration.h"

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

QString CalibrationStore::text(Axis axis, const QString& printer) const {
    return store_.get(kSettingsApplication, sectionFor(printer), keyOf(axis));
}

bool CalibrationStore::isStored(const QString& printer) const {
    return !text(Axis::X, printer).isEmpty() || !text(Axis::Y, printer).isEmpty();
}

void CalibrationStore::save(Calibration calibration, const QString& printer) {
    const QString target = section(printer);
    store_.save(kSettingsApplication, target, kCalibrationKeyX, TrimmedNumberText(calibration.x.value));
    store_.save(kSettingsApplication, target, kCalibrationKeyY, TrimmedNumberText(calibration.y.value));
}

}  // namespace velmora
