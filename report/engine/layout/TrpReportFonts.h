// TrpReportFonts: the fonts that report text is measured and drawn with.
//
// Report fonts carry Windows names. "Arial", "Times New Roman" and
// "Courier New" (and their usual aliases) resolve to the metric-compatible
// Liberation Sans, Serif and Mono, which are loaded from their font files
// the first time a font is needed, so that measuring depends neither on a
// screen's resolution nor on which other fonts are installed. Any other
// name also falls back to Liberation Sans; a name that does not resolve to
// its own face is reported in one warning per name.
//
// Fonts are sized in pixels: the layout font at round(size x 96 / 72) for
// every scale; the drawing font at that height times the drawing scale.
// Kerning is off and hinting is not wanted, so that a text's width is the
// sum of its advances as on the platform the reports were made for.
//
// Works on the one user-interface thread; needs a QGuiApplication.
#pragma once

#include "TrpFont.h"

#include <QFont>
#include <string>

namespace report {

class TrpReportFonts {
public:
    // Font heights and spacings come from templates: they are held to this
    // many pixels either way, so that no setting makes the font engine
    // allocate hugely or the pixel arithmetic overflow.
    static constexpr int kMaxPixels = 2048;
    static int ClampPixels(double pixels);

    // The family a report font name resolves to.
    static QString FamilyFor(const std::string& name);
    // The layout pixel height of a font of size points: round(size x 96 / 72).
    static int LayoutPixelHeight(std::int32_t size);
    // A font of the report font's face and style at pixelHeight, with
    // charSpacing extra pixels after every character.
    static QFont Make(const TrpFont& font, int pixelHeight, int charSpacing);

private:
    static void LoadFontFiles();
};

} // namespace report
