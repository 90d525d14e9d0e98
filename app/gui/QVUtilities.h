// QVUtilities: the picture effects of the flat hover button: fade, grey,
// shadow, and drawing with one colour left out. All work on 32-bit RGB
// images (QImage::Format_RGB32, alpha ignored) and use exact integer
// arithmetic, so a given picture always yields the same pixels.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>

namespace morvane {

namespace QVUtilities {

// round(num / den) for non-negative values, halves going to the even
// neighbour (banker's rounding).
int RoundHalfEven(int num, int den);

// Every colour channel c becomes round(0.7 * c) + 76 (so 255 becomes 254).
void FadeImage(QImage& image);

// Every pixel becomes the grey round(0.30 r + 0.59 g + 0.11 b) in all three
// channels.
void GreyImage(QImage& image);

// A copy of `image` in which every pixel that is not `transparent` becomes
// RGB (128, 128, 128); pixels of the transparent colour stay.
QImage ShadowImage(const QImage& image, QRgb transparent);

// Copies `source` onto `target` with its top-left corner at `at`, leaving out
// every pixel of the colour `transparent`; pixels falling outside `target`
// are clipped.
void DrawTransparent(QImage& target, const QImage& source, QPoint at, QRgb transparent);

} // namespace QVUtilities

} // namespace morvane
