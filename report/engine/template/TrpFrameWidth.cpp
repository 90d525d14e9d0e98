// The stored form of a frame width.
#include "TrpFrameWidth.h"

#include "EnginePixels.h"
#include "TrpTemplateFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

using namespace tplfmt;

std::int32_t EncodeFrameWidth(double width) {
    if (!std::isfinite(width))
        return 0;
    constexpr double kLargest = std::numeric_limits<std::int32_t>::max();
    if (width == std::floor(width) && width <= kMaxWholeFrameWidth)
        return static_cast<std::int32_t>(std::max(width, -kLargest));
    double thousandths = std::min(width * kFrameWidthScale, kLargest);
    std::int64_t scaled = RoundHalfEven(thousandths);
    if (scaled > kMaxWholeFrameWidth)
        return static_cast<std::int32_t>(scaled);
    // Too small (or negative) for thousandths: the reader would take the
    // value as whole pixels.
    return static_cast<std::int32_t>(RoundHalfEven(std::max(width, -kLargest)));
}

double DecodeFrameWidth(std::int32_t stored) {
    if (stored <= kMaxWholeFrameWidth)
        return stored;
    return static_cast<double>(stored) / kFrameWidthScale;
}

} // namespace report
