#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace velmora {

// Every rounding of a real number to an integer goes to the nearest integer, halves to the even
// neighbour (2.5 gives 2, 3.5 gives 4), computed directly so that no floating-point rounding mode
// can change it.
double RoundHalfEven(double value);

// The rounded value as a signed 16-bit or 32-bit integer, or nothing when it lies outside the target's
// range (an overflow) or is not a number.
std::optional<std::int16_t> RoundToInt16(double value);
std::optional<std::int32_t> RoundToInt32(double value);

// A rounded value outside the 32-bit range.
class RoundingOverflow : public std::overflow_error {
public:
    RoundingOverflow() : std::overflow_error("rounded value outside the 32-bit range") {}
};

// RoundToInt32 for the drawing code, where an overflow skips what was being placed: throws
// RoundingOverflow outside the 32-bit range and for a value that is not a number.
std::int32_t RoundToLong(double value);

}  // namespace velmora
