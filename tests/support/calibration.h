#pragma once

#include <QString>

#include "platform/settings_store.h"

namespace velmora::test {

// The calibration distances X and Y in the store, as the calibration dialog keeps them.
inline void StoreCalibration(SettingsStore& store, const QString& x, const QString& y) {
    store.save(kSettingsApplication, kCollateSection, QStringLiteral("X"), x);
    store.save(kSettingsApplication, kCollateSection, QStringLiteral("Y"), y);
}

inline QString StoredCalibration(const SettingsStore& store, const QString& key) {
    return store.get(kSettingsApplication, kCollateSection, key);
}

}  // namespace velmora::test
