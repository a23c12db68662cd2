#pragma once

#include <compare>
#include <cstdint>

namespace velmora {

class PrinterSurface;

// The lengths of the form and the printer, each unit a type of its own so that one is never passed
// where another is meant: millimetres on the sheet, twips (1/1440 inch) for the printer's text
// cursor and rectangles, and the printer's device pixels for text placed at a point.
struct Millimetres {
    double value = 0;
    friend constexpr Millimetres operator+(Millimetres a, Millimetres b) { return {a.value + b.value}; }
    friend constexpr Millimetres operator-(Millimetres a, Millimetres b) { return {a.value - b.value}; }
    friend constexpr auto operator<=>(Millimetres, Millimetres) = default;
};

struct Twips {
    double value = 0;
    friend constexpr auto operator<=>(Twips, Twips) = default;
};

struct DevicePixels {
    std::int32_t value = 0;
    friend constexpr auto operator<=>(DevicePixels, DevicePixels) = default;
};

enum class Axis { X, Y };

// Inches per millimetre as the form's positions were measured: 0.03937, used as written (not 1/25.4).
inline constexpr double kInchesPerMillimetre = 0.03937;
inline constexpr double kTwipsPerInch = 1440;

// A length in twips, not rounded (10 mm is 566.928 twips).
constexpr Twips ToTwips(Millimetres length) {
    return {length.value * kInchesPerMillimetre * kTwipsPerInch};
}

// A length in whole twips, rounded half to even. Throws RoundingOverflow outside the 32-bit range.
std::int32_t MmToTwips(Millimetres length);

// A length in device pixels of the surface along the axis: MmToTwips first, then divided by the
// surface's twips per pixel on that axis and rounded again. Throws RoundingOverflow like MmToTwips.
DevicePixels MmToDevicePixels(Millimetres length, Axis axis, const PrinterSurface& surface);

}  // namespace velmora
