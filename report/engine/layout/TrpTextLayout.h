// TrpTextLayout: lays out the evaluated text of a text object into lines,
// always at the unscaled layout font, so that every scale (screen zooms and
// the printer) breaks the text in the same places.
//
// Each evaluated line is taken as it is when the text is already wrapped
// (it carries paragraph marks: a further part of a split object), wrapped
// into the available width with "WordWrap", or else kept whole with a
// paragraph mark (rotated text keeps it without). The text height is the
// number of lines times the line height plus the two insets on the
// measured axis ("GapY" twice; "GapX" twice for rotated text).
#pragma once

#include "TrpObjectCodes.h"
#include "TrpTextMeasurer.h"

namespace report {

struct TrpTextLayoutSettings {
    // Width available to a line: the object's width (height when rotated)
    // less both insets.
    int width = 0;
    bool wordWrap = false;
    bool wordBreak = false;
    bool rotated = false;
    bool alreadyWrapped = false;
    // "LineSpacing" + the layout font's pixel height.
    int lineHeight = 0;
    // One inset across the lines: "GapY" (rotated: "GapX").
    int inset = 0;
};

struct TrpLaidOutText {
    TrpStrings lines;
    int lineHeight = 0;
    int textHeight = 0;
};

TrpLaidOutText LayOutText(const TrpStrings& text, const TrpTextLayoutSettings& settings,
                          const TrpTextMeasurer& measurer);

} // namespace report
