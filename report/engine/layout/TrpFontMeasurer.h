// TrpFontMeasurer: measures report text in a font on the one scratch
// surface that all measuring shares (an image, so that no screen and no
// printer is involved).
#pragma once

#include "TrpTextMeasurer.h"

#include <QFont>
#include <QFontMetrics>
#include <cstdint>

class QImage;

namespace report {

class TrpFontMeasurer : public TrpTextMeasurer {
public:
    TrpFontMeasurer(const QFont& font, std::int16_t charset);
    int TextWidth(std::string_view text) const override;

    // The surface every layout measures on.
    static QImage& ScratchSurface();

private:
    QFontMetrics metrics_;
    std::int16_t charset_;
};

} // namespace report
