// Laying out a whole evaluated text line by line.
#include "TrpTextLayout.h"

#include "TrpLineWrapper.h"
#include "TrpParagraphMark.h"

#include <algorithm>
#include <cstdint>

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
    const std::int64_t height =
        static_cast<std::int64_t>(result.lines.size()) * settings.lineHeight + 2LL * settings.inset;
    result.textHeight = static_cast<int>(std::clamp<std::int64_t>(height, INT32_MIN, INT32_MAX));
    return result;
}

} // namespace report
