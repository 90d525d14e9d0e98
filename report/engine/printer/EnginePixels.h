// Engine pixels: the unit of page metrics. Paper sizes are kept in tenths of
// a millimetre; page metrics are in engine pixels of kEnginePixelsPerInch.
// Every conversion rounds halves to the even neighbour, so a length that
// lands exactly between two pixels goes the same way on every page.
#pragma once

#include <cmath>
#include <cstdint>

namespace report {

// The double nearest 18600/203.
inline constexpr double kEnginePixelsPerInch = 91.6256157635468;
// Tenths of a millimetre in one inch.
inline constexpr double kTenthsMmPerInch = 254.0;
static_assert(kEnginePixelsPerInch > 91.62 && kEnginePixelsPerInch < 91.63);

// round(x) with halves to the even neighbour, independent of the current
// floating-point rounding mode.
inline std::int64_t RoundHalfEven(double x) {
    double floor = std::floor(x);
    double diff = x - floor;
    auto lower = static_cast<std::int64_t>(floor);
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1;
    return (lower % 2 == 0) ? lower : lower + 1;
}

// t tenths of a millimetre in engine pixels.
inline int TenthsMmToEnginePixels(int tenths) {
    return static_cast<int>(RoundHalfEven(tenths * kEnginePixelsPerInch / kTenthsMmPerInch));
}

// d device units at dpi device dots per inch in engine pixels; 0 for a device
// that reports no resolution.
inline int DeviceToEnginePixels(int units, int dpi) {
    if (dpi <= 0)
        return 0;
    return static_cast<int>(RoundHalfEven(units * kEnginePixelsPerInch / dpi));
}

// d device units at dpi dots per inch in tenths of a millimetre.
inline int DeviceToTenthsMm(int units, int dpi) {
    if (dpi <= 0)
        return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(units) / dpi * kTenthsMmPerInch));
}

} // namespace report
