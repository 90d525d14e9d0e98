// QVUtilities: fade, grey, shadow and transparent drawing on RGB32 images.
#include "QVUtilities.h"

namespace morvane::QVUtilities {

namespace {

// Fade of one channel, 7c/10 rounded half to even, plus 76.
int FadeChannel(int c) {
    return RoundHalfEven(7 * c, 10) + 76;
}

QRgb Opaque(QRgb c) {
    return c | 0xFF000000u;
}

} // namespace

int RoundHalfEven(int num, int den) {
    int q = num / den;
    const int twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && (q % 2) != 0))
        ++q;
    return q;
}

void FadeImage(QImage& image) {
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgb(FadeChannel(qRed(p)), FadeChannel(qGreen(p)), FadeChannel(qBlue(p)));
        }
    }
}

void GreyImage(QImage& image) {
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int g = RoundHalfEven(30 * qRed(p) + 59 * qGreen(p) + 11 * qBlue(p), 100);
            line[x] = qRgb(g, g, g);
        }
    }
}

QImage ShadowImage(const QImage& image, QRgb transparent) {
    QImage shadow = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = Opaque(transparent);
    for (int y = 0; y < shadow.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < shadow.width(); ++x)
            if (Opaque(line[x]) != key)
                line[x] = qRgb(128, 128, 128);
    }
    return shadow;
}

void DrawTransparent(QImage& target, const QImage& source, QPoint at, QRgb transparent) {
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const QRgb key = Opaque(transparent);
    for (int sy = 0; sy < src.height(); ++sy) {
        const int ty = at.y() + sy;
        if (ty < 0 || ty >= target.height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        for (int sx = 0; sx < src.width(); ++sx) {
            const int tx = at.x() + sx;
            if (tx < 0 || tx >= target.width() || Opaque(in[sx]) == key)
                continue;
            target.setPixel(tx, ty, Opaque(in[sx]));
        }
    }
}

} // namespace morvane::QVUtilities
