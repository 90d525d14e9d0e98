// TrpLineWrapper: breaks one line of evaluated text into laid-out lines no
// wider than the available width, for "WordWrap" (and "WordBreak").
//
// A line is cut at the last blank before the character that overflows; the
// blank is dropped. A word with no blank before it in the line is cut after
// the overflowing character itself, which ends the line. With "WordBreak"
// the word holding the overflowing character is first tried at its
// hyphenation points: the longest start of the line that still fits with a
// "-" after it becomes the line. Carriage returns and line feeds inside the
// text end a paragraph; runs of them count as one, and trailing ones end
// the text.
//
// Lines that end a paragraph carry the paragraph mark; cut lines do not, so
// a text cut exactly at its end has no mark on its last line.
//
// Every cut moves the line start forward, so wrapping always ends.
#pragma once

#include "TrpObjectCodes.h"
#include "TrpTextMeasurer.h"

#include <string_view>

namespace report {

class TrpLineWrapper {
public:
    TrpLineWrapper(const TrpTextMeasurer& measurer, int width, bool wordBreak)
        : measurer_(measurer), width_(width), wordBreak_(wordBreak) {}

    // Appends the laid-out lines of line to out.
    void Wrap(std::string_view line, TrpStrings& out) const;

private:
    bool Fits(std::string_view text) const { return measurer_.TextWidth(text) <= width_; }
    // The hyphenated cut of the line from start whose word holding the
    // overflowing character at over begins after blank; the position
    // (0-based) of the last character kept, or -1 when no point fits.
    int HyphenCut(std::string_view text, std::size_t start, std::size_t blank,
                  std::size_t over) const;

    const TrpTextMeasurer& measurer_;
    int width_;
    bool wordBreak_;
};

} // namespace report
