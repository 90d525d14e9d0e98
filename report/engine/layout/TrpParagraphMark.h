// The paragraph mark of laid-out text: the character 1 at the end of a
// laid-out line says that the line is the last of its paragraph, so that
// justified alignment leaves it unstretched. A text that carries marks is
// already wrapped (it is a further part of a split object) and is taken
// line for line. Marks never reach measuring or output.
#pragma once

#include "TrpObjectCodes.h"

#include <string>
#include <string_view>

namespace report {

inline constexpr char kParagraphMark = '\x01';

inline bool EndsParagraph(std::string_view line) {
    return !line.empty() && line.back() == kParagraphMark;
}

// The line without its marks.
inline std::string WithoutMarks(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line)
        if (c != kParagraphMark)
            out.push_back(c);
    return out;
}

inline bool ContainsMarks(const TrpStrings& lines) {
    for (const std::string& line : lines)
        if (line.find(kParagraphMark) != std::string::npos)
            return true;
    return false;
}

} // namespace report
