#pragma once

#include <QString>

#include "draw_remittance.h"
#include "length.h"

namespace velmora {

class SettingsStore;

// The calibration figure: a black square whose top-left corner lies 10 mm right of and below the
// corner of the printer's printable area, its opposite corner at 20 mm.
inline constexpr Millimetres kCalibrationFigureCorner{10};
inline constexpr Millimetres kCalibrationFigureFarCorner{20};

// The distances the operator may enter, in millimetres.
inline constexpr double kCalibrationMinimum = 0;
inline constexpr double kCalibrationMaximum = 30;

// The two distances measured from the sheet's corner to the figure's corner. Less the figure's
// 10 mm they are the offsets the renderer subtracts, so a stored 10 means no correction.
struct Calibration {
    Millimetres x;
    Millimetres y;

    Offsets offsets() const { return {x - kCalibrationFigureCorner, y - kCalibrationFigureCorner}; }
};

bool InCalibrationRange(double millimetres);

// The calibration as the per-user settings store keeps it: application "Velmora", section "Collate",
// keys "X" and "Y", each the trimmed number text of a distance (".5", "12", "7.25").
class CalibrationStore {
public:
    explicit CalibrationStore(SettingsStore& store) : store_(store) {}

    // The stored distances, each read by its leading number; a missing or empty one reads as 0.
    Calibration read() const;
    // The stored texts unchanged ("" when nothing is stored): what the offsets dialog shows.
    QString text(Axis axis) const;
    // Whether either distance has been stored.
    bool isStored() const;
    // Stores both distances as their trimmed number texts, X first.
    void save(Calibration calibration);

private:
    SettingsStore& store_;
};

}  // namespace velmora
