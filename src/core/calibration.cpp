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

Calibration CalibrationStore::read() const {
    return {{LeadingNumber(text(Axis::X))}, {LeadingNumber(text(Axis::Y))}};
}

QString CalibrationStore::text(Axis axis) const {
    return store_.get(kSettingsApplication, kCollateSection, keyOf(axis));
}

bool CalibrationStore::isStored() const {
    return !text(Axis::X).isEmpty() || !text(Axis::Y).isEmpty();
}

void CalibrationStore::save(Calibration calibration) {
    store_.save(kSettingsApplication, kCollateSection, kCalibrationKeyX,
                TrimmedNumberText(calibration.x.value));
    store_.save(kSettingsApplication, kCollateSection, kCalibrationKeyY,
                TrimmedNumberText(calibration.y.value));
}

}  // namespace velmora
