#pragma once

#include <QString>
#include <optional>

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

// A distance as the offsets dialog takes it: the leading number of the text, when the text begins
// with one and it lies in 0 to 30; nothing for an empty text, a text without a leading number, or a
// number out of range.
std::optional<double> CalibrationEntry(const QString& text);

// The calibration a print run would use, read from the store.
struct CalibrationReading {
    Calibration value;  // 0 and 0 when nothing is stored
    bool stored = false;
    QString problem;  // a stored text that is not a distance from 0 to 30, named; "" when sound
};

// The calibrations as the per-user settings store keeps them, each distance the trimmed number text
// of its millimetres (".5", "12", "7.25") under the keys "X" and "Y". Application "Velmora", section
// "Collate" holds the pair every calibration writes; a printer calibrated by name also gets a section
// of its own, "Collate " and its name, which that printer uses from then on. A printer without its
// own pair, and printing to a file (no name), use "Collate".
class CalibrationStore {
public:
    explicit CalibrationStore(SettingsStore& store) : store_(store) {}

    // The distances for the printer, each read by its leading number; a missing or empty one reads
    // as 0.
    Calibration read(const QString& printer = {}) const;
    // The same, with whether anything is stored and whether the stored texts are sound.
    CalibrationReading reading(const QString& printer = {}) const;
    // The stored texts for the printer unchanged ("" when nothing is stored): what the offsets dialog
    // shows.
    QString text(Axis axis, const QString& printer = {}) const;
    // Stores both distances in "Collate", X first, and for a named printer in its own section too.
    void save(Calibration calibration, const QString& printer = {});

    // The section that holds the printer's pair: "Collate" for no name, else "Collate " and its name.
    static QString section(const QString& printer);

private:
    // The section read for the printer: its own when it has one, else the default.
    QString sectionFor(const QString& printer) const;

    SettingsStore& store_;
};

}  // namespace velmora
