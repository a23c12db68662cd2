#include "rounding.h"

#include <cmath>
#include <limits>

namespace velmora {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) {
        return floor;
    }
    if (diff > 0.5) {
        return floor + 1;
    }
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

namespace {

template <class Int>
std::optional<Int> roundTo(double value) {
    const double rounded = RoundHalfEven(value);
    if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<std::int16_t> RoundToInt16(double value) {
    return roundTo<std::int16_t>(value);
}

std::optional<std::int32_t> RoundToInt32(double value) {
    return roundTo<std::int32_t>(value);
}

std::int32_t RoundToLong(double value) {
    const std::optional<std::int32_t> rounded = RoundToInt32(value);
    if (!rounded) {
        throw RoundingOverflow();
    }
    return *rounded;
}

}  // namespace velmora
