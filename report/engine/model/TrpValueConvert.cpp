// Conversions of report values for property access.
#include "TrpValueConvert.h"

#include "tabula/Component.h"

namespace report {

// Property conversions are the soft form of the value rules: a text that
// is no number reads as 0 instead of failing.
std::int64_t ValueToInt(const TrpValue& value) {
    if (value.IsInteger())
        return value.AsInteger();
    if (value.IsText() && !value.TryToReal())
        return 0;
    return value.ToInt();
}

double ValueToReal(const TrpValue& value) {
    return value.TryToReal().value_or(0);
}

bool ValueToBool(const TrpValue& value) {
    if (value.IsText() && !value.TryToReal()) {
        if (tabula::SameName(value.AsText(), "TRUE"))
            return true;
        return false;
    }
    return value.ToBool();
}

std::string ValueToText(const TrpValue& value) {
    return value.ToText();
}

std::string JoinLines(const TrpStrings& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

TrpStrings SplitLines(const std::string& text) {
    TrpStrings lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace report
