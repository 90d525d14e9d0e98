// Placing a picture's graphic.
#include "TrpPicturePlacement.h"

#include <algorithm>

namespace report {

QRect PictureTarget(const TrpRect& area, QSize picture, double scaleX, double scaleY,
                    std::uint16_t flags) {
    const int areaW = area.right - area.left, areaH = area.bottom - area.top;
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0)
        return {};
    const bool center = (flags & kPictureCenter) != 0;
    double tw, th;
    if (flags & kFlagStretched) {
        if (!(flags & kPictureKeepAspect))
            return QRect(area.left, area.top, areaW, areaH);
        const double k = std::min(static_cast<double>(areaW) / w, static_cast<double>(areaH) / h);
        tw = w * k;
        th = h * k;
    } else {
        tw = w * scaleX;
        th = h * scaleY;
    }
    if (!center)
        return QRect(area.left, area.top, static_cast<int>(tw), static_cast<int>(th));
    const int left = area.left + static_cast<int>((areaW - tw) / 2);
    const int top = area.top + static_cast<int>((areaH - th) / 2);
    return QRect(left, top, static_cast<int>(tw), static_cast<int>(th));
}

} // namespace report
