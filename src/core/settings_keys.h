#pragma once

#include <QString>

namespace velmora {

// Every name under which the program keeps something in the per-user settings store.
inline const QString kSettingsApplication = QStringLiteral("Velmora");

// The calibration distances in millimetres, as text.
inline const QString kCollateSection = QStringLiteral("Collate");
inline const QString kCalibrationKeyX = QStringLiteral("X");
inline const QString kCalibrationKeyY = QStringLiteral("Y");

// The boxes that stay the same from one form to the next, restored at start.
inline const QString kRemitterSection = QStringLiteral("Remitter");
inline const QString kTicksKey = QStringLiteral("Ticks");

// The open-workbook dialog's entries last confirmed.
inline const QString kImportSection = QStringLiteral("Import");
inline const QString kImportPathKey = QStringLiteral("Path");
inline const QString kImportSheetKey = QStringLiteral("Sheet");
inline const QString kImportFirstRowKey = QStringLiteral("FirstRow");
inline const QString kImportColumnsKey = QStringLiteral("Columns");

// The printer last chosen in the printer dialog.
inline const QString kPrinterSection = QStringLiteral("Printer");
inline const QString kPrinterNameKey = QStringLiteral("Name");

}  // namespace velmora
