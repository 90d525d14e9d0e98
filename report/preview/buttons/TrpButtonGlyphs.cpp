// The state images of a speed button.
#include "TrpButtonGlyphs.h"

#include <QPainter>
#include <algorithm>

namespace report {

int GlyphCountFor(const QSize& strip) {
    if (strip.height() <= 0 || strip.width() <= 0 || strip.width() % strip.height() != 0)
        return 1;
    const int count = strip.width() / strip.height();
    return count < kGlyphCountLimit ? count : 1;
}

void TrpButtonGlyphs::SetPicture(const QImage& picture) {
    picture_ = picture.convertToFormat(QImage::Format_ARGB32);
    count_ = std::min(GlyphCountFor(picture_.size()), kMaxGlyphs);
    // The bottom-left pixel names the transparent colour.
    transparent_ = picture_.isNull() ? QColor() : picture_.pixelColor(0, picture_.height() - 1);
    Reset();
}

void TrpButtonGlyphs::SetCount(int count) {
    count_ = std::clamp(count, 1, kMaxGlyphs);
    Reset();
}

void TrpButtonGlyphs::SetTransparent(const QColor& colour) {
    transparent_ = colour;
    Reset();
}

void TrpButtonGlyphs::SetColours(const QColor& face, const QColor& highlight,
                                 const QColor& shadow) {
    if (face == face_ && highlight == highlight_ && shadow == shadow_)
        return;
    face_ = face;
    highlight_ = highlight;
    shadow_ = shadow;
    Reset();
}

void TrpButtonGlyphs::Reset() {
    built_.fill(false);
}

QSize TrpButtonGlyphs::GlyphSize() const {
    if (picture_.isNull())
        return {};
    return {picture_.width() / count_, picture_.height()};
}

// Image number slot of the strip with the transparent colour cleared.
QImage TrpButtonGlyphs::Slot(int slot) const {
    const QSize size = GlyphSize();
    QImage image = picture_.copy(slot * size.width(), 0, size.width(), size.height());
    const QRgb key = transparent_.rgb() & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
    }
    return image;
}

// The shape of source in the highlight colour one pixel right and down,
// then in the shadow colour in place, on the face colour.
QImage TrpButtonGlyphs::Embossed(const QImage& source) const {
    QImage out(source.size(), QImage::Format_ARGB32);
    out.fill(face_);
    const auto stamp = [&](const QColor& colour, int dx) {
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (qAlpha(source.pixel(x, y)) != 0 && x + dx < out.width() &&
                    y + dx < out.height())
                    out.setPixelColor(x + dx, y + dx, colour);
    };
    stamp(highlight_, 1);
    stamp(shadow_, 0);
    // The face around the shape stays see-through, like the picture's own
    // transparent pixels.
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (out.pixelColor(x, y) == face_)
                out.setPixel(x, y, 0);
    return out;
}

// Every pixel but the transparent and the face colour turned grey.
QImage TrpButtonGlyphs::Greyed(const QImage& source) const {
    QImage out = source;
    const QRgb face = face_.rgb() & RGB_MASK;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) == 0 || (p & RGB_MASK) == face)
                continue;
            const int v =
                (kGreyRed * qRed(p) + kGreyGreen * qGreen(p) + kGreyBlue * qBlue(p)) / kGreyDivisor;
            line[x] = qRgba(v, v, v, qAlpha(p));
        }
    }
    return out;
}

const QImage& TrpButtonGlyphs::Image(TrpButtonState state) {
    const auto index = static_cast<std::size_t>(state);
    if (picture_.isNull()) {
        cache_[index] = QImage();
        return cache_[index];
    }
    if (built_[index])
        return cache_[index];
    switch (state) {
    case TrpButtonState::Up:
        cache_[index] = Slot(kGlyphUp);
        break;
    case TrpButtonState::Pressed:
        cache_[index] = Slot(count_ > kGlyphPressed ? kGlyphPressed : kGlyphUp);
        break;
    case TrpButtonState::HeldDown:
        cache_[index] = Slot(count_ > kGlyphHeldDown ? kGlyphHeldDown : kGlyphUp);
        break;
    case TrpButtonState::Disabled:
        cache_[index] = Embossed(Slot(count_ > kGlyphDisabled ? kGlyphDisabled : kGlyphUp));
        break;
    case TrpButtonState::Inactive:
        cache_[index] = Greyed(Slot(kGlyphUp));
        break;
    }
    built_[index] = true;
    return cache_[index];
}

} // namespace report
