// Where a picture object draws its graphic inside its inner rectangle
// (DrawRect, right and bottom just outside).
//
// "Stretched": the whole rectangle; with "KeepAspect" reduced to the
// graphic's proportions by the smaller of the two factors, anchored at the
// top left, or centred with "Center". Not stretched: the graphic's own size
// times the drawing scale, at the top left or centred with "Center".
#pragma once

#include "TrpObjectCodes.h"

#include <QRect>
#include <QSize>
#include <cstdint>

namespace report {

QRect PictureTarget(const TrpRect& area, QSize picture, double scaleX, double scaleY,
                    std::uint16_t flags);

} // namespace report
