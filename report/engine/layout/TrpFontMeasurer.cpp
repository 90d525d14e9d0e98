// Measuring on the scratch surface.
#include "TrpFontMeasurer.h"

#include "TrpTextCodec.h"

#include <QImage>

namespace report {

QImage& TrpFontMeasurer::ScratchSurface() {
    static QImage surface(1, 1, QImage::Format_ARGB32);
    return surface;
}

TrpFontMeasurer::TrpFontMeasurer(const QFont& font, std::int16_t charset)
    : metrics_(font, &ScratchSurface()), charset_(charset) {}

int TrpFontMeasurer::TextWidth(std::string_view text) const {
    return metrics_.horizontalAdvance(DecodeReportText(text, charset_));
}

} // namespace report
