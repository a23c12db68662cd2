#pragma once

#include <QString>

namespace velmora {

// Every name under which the program keeps something in the per-user settings store.
inline const QString kSettingsApplication = QStringLiteral("Velmora");

// The calibration distances in millimetres, as text.
inline const QString kCollateSection = QStringLiteral("Collate");
inline const QString kCalibrationKeyX = QStringLiteral("X");
inline const QString kCalibrationKeyY = QStringLiteral("Y");

}  // namespace velmora
