#include "length.h"

#include "printer_surface.h"
#include "rounding.h"

namespace velmora {

std::int32_t MmToTwips(Millimetres length) {
    return RoundToLong(ToTwips(length).value);
}

DevicePixels MmToDevicePixels(Millimetres length, Axis axis, const PrinterSurface& surface) {
    const double twipsPerDot = axis == Axis::X ? surface.twipsPerDotX() : surface.twipsPerDotY();
    return {RoundToLong(double(MmToTwips(length)) / twipsPerDot)};
}

}  // namespace velmora
