// TrpTextMeasurer: how wide a run of single-byte text is, in the pixels of
// the layout font. Line wrapping asks only this, so that the rules of
// where lines break stay apart from the font engine that answers.
#pragma once

#include <string_view>

namespace report {

class TrpTextMeasurer {
public:
    virtual ~TrpTextMeasurer() = default;
    // The advance width of text (no paragraph marks in it).
    virtual int TextWidth(std::string_view text) const = 0;
};

} // namespace report
