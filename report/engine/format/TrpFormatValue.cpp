// FormatValue: a value's text by its object's format code, the inline
// formats of [expression #format], and the "HideZeros" test.
#include "TrpFormat.h"
#include "TrpMessages.h"

#include <algorithm>
#include <cctype>

namespace report {

namespace {

constexpr std::size_t kMaxBooleanText = 255;
constexpr int kLastDatePreset = 2;
constexpr int kLastTimePreset = 3;
constexpr int kLastBooleanPreset = 3;
static_assert(kMsgFirstDateFormat + kLastDatePreset < kMsgFirstTimeFormat);

bool IsBlankText(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    }
    return true;
}

std::string FormatNumber(const TrpValue& value, const TrpFormatFields& fields,
                         const std::string& pattern) {
    const double number = value.ToReal();
    const char separator = fields.separator != 0 ? fields.separator : '.';
    const auto decimals = static_cast<std::size_t>(fields.decimals);
    switch (fields.index) {
    case kNumberGeneral:
        return FormatFloat("##0." + std::string(decimals, '#'), number, separator);
    case kNumberFixed:
        return FormatFloat("0." + std::string(decimals, '0'), number, separator);
    case kNumberGrouped:
        return FormatFloat("#,##0." + std::string(decimals, '#'), number, separator);
    case kNumberThousands:
        return FormatFloat("#,##0." + std::string(decimals, '0'), number, separator);
    case kFormatIndexCustom:
        return FormatFloat(pattern, number, separator);
    default:
        return value.ToText();
    }
}

std::string FormatDateOrTime(const TrpValue& value, const TrpFormatFields& fields,
                             const std::string& pattern) {
    const bool date = fields.category == kFormatDate;
    if (fields.index == kFormatIndexCustom)
        return FormatDateTime(pattern, value);
    if (date && fields.index == kDateLocaleLong)
        return FormatDateTime("dddddd", value);
    const int lastPreset = date ? kLastDatePreset : kLastTimePreset;
    if (fields.index > lastPreset)
        return value.ToText();
    const int first = date ? kMsgFirstDateFormat : kMsgFirstTimeFormat;
    return FormatDateTime(std::string(MessageText(first + fields.index)), value);
}

// "false text;true text": a nonzero integer picks the part after the first
// ";" (the whole text when there is none), zero the part before it.
std::string FormatBoolean(const TrpValue& value, const TrpFormatFields& fields,
                          const std::string& pattern) {
    std::string choice;
    if (fields.index == kFormatIndexCustom)
        choice = pattern;
    else if (fields.index <= kLastBooleanPreset)
        choice = std::string(MessageText(kMsgFirstBooleanFormat + fields.index));
    else
        return value.ToText();
    const bool truth = value.ToInt() != 0;
    const std::size_t split = choice.find(';');
    if (truth)
        return split == std::string::npos ? choice.substr(0, kMaxBooleanText)
                                          : choice.substr(split + 1, kMaxBooleanText);
    return split == std::string::npos ? std::string() : choice.substr(0, split);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "N…": the last ",", "-" or "." is the decimal separator and is written as
// "." in the pattern. "N" and a width ("N12,2": a digit 1 to 9 first) means
// fixed notation with the decimals after the separator; anything else
// ("N0.00", "N#,##0.00") is a custom pattern, so that a pattern that happens
// to start with "0" keeps its decimals instead of reading "00" as none.
void ParseNumberFormat(std::string format, TrpFormatFields& fields, std::string& pattern) {
    fields.category = kFormatNumber;
    std::size_t separatorAt = std::string::npos;
    for (std::size_t i = format.size(); i-- > 1;) {
        const char c = format[i];
        if (c == ',' || c == '-' || c == '.') {
            separatorAt = i;
            fields.separator = c;
            format[i] = '.';
            break;
        }
    }
    if (format.size() > 1 && IsDigit(format[1]) && format[1] != '0') {
        fields.index = kNumberFixed;
        int decimals = 0;
        if (separatorAt != std::string::npos) {
            for (std::size_t i = separatorAt + 1; i < format.size() && IsDigit(format[i]); ++i)
                decimals = std::min(decimals * 10 + (format[i] - '0'), 255);
        }
        fields.decimals = decimals;
        pattern.clear();
    } else {
        fields.index = kFormatIndexCustom;
        pattern = format.substr(1);
    }
}

} // namespace

std::string FormatValue(const TrpValue& value, std::int32_t formatCode,
                        const std::string& pattern) {
    if (IsNull(value) || (value.IsText() && IsBlankText(value.AsText())))
        return {};
    const TrpFormatFields fields = UnpackFormatCode(formatCode);
    try {
        switch (fields.category) {
        case kFormatNumber:
            return FormatNumber(value, fields, pattern);
        case kFormatDate:
        case kFormatTime:
            return FormatDateOrTime(value, fields, pattern);
        case kFormatBoolean:
            return FormatBoolean(value, fields, pattern);
        default:
            return value.ToText();
        }
    } catch (const ETrpValueError&) {
        return value.ToText();
    }
}

bool ParseInlineFormat(const std::string& text, std::int32_t& code, std::string& pattern) {
    if (text.empty())
        return false;
    const std::string format = IsDigit(text[0]) ? "N" + text : text;
    TrpFormatFields fields = UnpackFormatCode(code);
    std::string rest = format.substr(1);
    switch (std::toupper(static_cast<unsigned char>(format[0]))) {
    case 'N':
        ParseNumberFormat(format, fields, rest);
        break;
    case 'D':
        fields.category = kFormatDate;
        fields.index = kFormatIndexCustom;
        break;
    case 'T':
        fields.category = kFormatTime;
        fields.index = kFormatIndexCustom;
        break;
    case 'B':
        fields.category = kFormatBoolean;
        fields.index = kFormatIndexCustom;
        break;
    default:
        return false;
    }
    code = PackFormatCode(fields);
    pattern = std::move(rest);
    return true;
}

bool SplitInlineFormat(const std::string& bracketText, std::string& expression,
                       std::string& format) {
    char quote = 0;
    for (std::size_t i = 0; i + 1 < bracketText.size(); ++i) {
        const char c = bracketText[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ' ' && bracketText[i + 1] == '#') {
            expression = bracketText.substr(0, i);
            format = bracketText.substr(i + 2);
            return true;
        }
    }
    return false;
}

bool IsHiddenZero(const TrpValue& value) {
    if (value.IsInteger())
        return value.AsInteger() == 0;
    if (value.IsReal())
        return value.AsReal() == 0;
    if (value.IsDateTime())
        return value.AsDateTime() == 0;
    return false;
}

} // namespace report
