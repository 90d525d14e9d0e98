// TrpButtonGlyphs: the images a speed button draws for each of its states,
// derived from its picture strip. The strip holds 1 to 4 equal images side
// by side (up, disabled, pressed, held down); pixels of the transparent
// colour become fully transparent in every derived image.
//
// Derived images are built on first use and kept until the picture, the
// transparent colour or the face colour changes (Reset).
#pragma once

#include <QColor>
#include <QImage>
#include <array>

namespace report {

enum class TrpButtonState { Up, Disabled, Pressed, HeldDown, Inactive };
inline constexpr int kButtonStateCount = 5;

// Images in a strip whose width is a whole multiple of its height: width /
// height when below this, else a single image; never more than kMaxGlyphs.
inline constexpr int kMaxGlyphs = 4;
inline constexpr int kGlyphCountLimit = 5;
// Glyph slots within the strip.
inline constexpr int kGlyphUp = 0;
inline constexpr int kGlyphDisabled = 1;
inline constexpr int kGlyphPressed = 2;
inline constexpr int kGlyphHeldDown = 3;
static_assert(kGlyphHeldDown < kMaxGlyphs);

// Grey of the inactive look: v = (77 r + 150 g + 29 b) div 256.
inline constexpr int kGreyRed = 77, kGreyGreen = 150, kGreyBlue = 29, kGreyDivisor = 256;
static_assert(kGreyRed + kGreyGreen + kGreyBlue == kGreyDivisor);

// The count of images a strip of this size holds (1 for an empty one).
int GlyphCountFor(const QSize& strip);

class TrpButtonGlyphs {
public:
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    int Count() const { return count_; }
    // Stores at most kMaxGlyphs, at least 1.
    void SetCount(int count);
    QColor Transparent() const { return transparent_; }
    void SetTransparent(const QColor& colour);
    // The colours of the disabled (embossed) and inactive derivations.
    void SetColours(const QColor& face, const QColor& highlight, const QColor& shadow);

    QSize GlyphSize() const;
    // The image for state; null when there is no picture.
    const QImage& Image(TrpButtonState state);

private:
    QImage Slot(int slot) const;
    QImage Embossed(const QImage& source) const;
    QImage Greyed(const QImage& source) const;
    void Reset();

    QImage picture_;
    int count_ = 1;
    QColor transparent_;
    QColor face_, highlight_, shadow_;
    std::array<QImage, kButtonStateCount> cache_;
    std::array<bool, kButtonStateCount> built_{};
};

} // namespace report
