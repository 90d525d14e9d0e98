// Laying out a whole evaluated text line by line.
#include "TrpTextLayout.h"

#include "TrpLineWrapper.h"
#include "TrpParagraphMark.h"

namespace report {

TrpLaidOutText LayOutText(const TrpStrings& text, const TrpTextLayoutSettings& settings,
                          const TrpTextMeasurer& measurer) {
    TrpLaidOutText result;
    result.lineHeight = settings.lineHeight;
    const TrpLineWrapper wrapper(measurer, settings.width, settings.wordBreak);
    for (const std::string& line : text) {
        if (settings.alreadyWrapped)
            result.lines.push_back(line);
        else if (settings.wordWrap)
            wrapper.Wrap(line, result.lines);
        else if (settings.rotated)
            result.lines.push_back(line);
        else
            result.lines.push_back(line + kParagraphMark);
    }
    result.textHeight =
        static_cast<int>(result.lines.size()) * settings.lineHeight + 2 * settings.inset;
    return result;
}

} // namespace report
