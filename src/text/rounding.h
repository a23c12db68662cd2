#pragma once

#include <cstdint>
#include <optional>

namespace velmora {

// A real number rounded to the nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double RoundHalfEven(double value);

// The rounded value as a signed 16-bit or 32-bit integer, or nothing when it lies outside the target's
// range (an overflow) or is not a number.
std::optional<std::int16_t> RoundToInt16(double value);
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace velmora
