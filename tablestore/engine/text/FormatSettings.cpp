// TFormatSettings: reading dates, times and numbers written as text.
#include "FormatSettings.h"

#include "DataFileFormat.h"
#include "TextBlanks.h"

#include <charconv>
#include <cmath>
#include <mutex>
#include <vector>

namespace tabula {

namespace {

std::mutex gGlobalMutex;
TFormatSettings gGlobal;

// Space or tab (bytes 32 and 9): the blanks number and date texts may carry.
bool IsSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (prefix.empty() || s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(s[i]) != Upper(prefix[i]))
            return false;
    return true;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return suffix.size() <= s.size() &&
           StartsWithNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// Splits text at the separator into tokens of 1 to maxDigits digits each,
// ignoring blanks around separators and one trailing separator.
std::optional<std::vector<int>> NumericTokens(std::string_view text, char separator,
                                              std::size_t maxDigits, std::vector<int>* widths) {
    std::vector<int> values;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpaceOrTab(text[i]))
            ++i;
        const std::size_t start = i;
        int value = 0;
        while (i < text.size() && IsDigit(text[i]) && i - start < maxDigits)
            value = value * 10 + (text[i++] - '0');
        if (i == start || (i < text.size() && IsDigit(text[i])))
            return std::nullopt;
        values.push_back(value);
        if (widths)
            widths->push_back(static_cast<int>(i - start));
        while (i < text.size() && IsSpaceOrTab(text[i]))
            ++i;
        if (i == text.size())
            break;
        if (text[i] != separator)
            return std::nullopt;
        ++i;
        std::size_t rest = i;
        while (rest < text.size() && IsSpaceOrTab(text[rest]))
            ++rest;
        if (rest == text.size()) // a trailing separator ("24. 1. 5.")
            break;
    }
    return values;
}

// Positions of day, month and year in the short date format: returns the
// order as a string such as "DMY".
std::string DateOrder(const std::string& format) {
    std::size_t positions[3] = {format.find_first_of("dD"), format.find_first_of("mM"),
                                format.find_first_of("yY")};
    const char letters[3] = {'D', 'M', 'Y'};
    for (std::size_t p : positions)
        if (p == std::string::npos)
            return "MDY";
    std::string order;
    for (int pass = 0; pass < 3; ++pass) {
        int best = -1;
        for (int k = 0; k < 3; ++k)
            if (order.find(letters[k]) == std::string::npos &&
                (best < 0 || positions[k] < positions[best]))
                best = k;
        order += letters[best];
    }
    return order;
}

} // namespace

TFormatSettings TFormatSettings::Global() {
    std::lock_guard lock(gGlobalMutex);
    return gGlobal;
}

void TFormatSettings::SetGlobal(const TFormatSettings& settings) {
    std::lock_guard lock(gGlobalMutex);
    gGlobal = settings;
}

std::optional<TDateTimeParts> TFormatSettings::ParseDate(std::string_view text) const {
    text = TrimSpacesAndTabs(text);
    std::vector<int> widths;
    const auto tokens = NumericTokens(text, dateSeparator, 4, &widths);
    if (!tokens || tokens->size() != 3)
        return std::nullopt;
    const std::string order = DateOrder(shortDateFormat);
    TDateTimeParts parts;
    for (int k = 0; k < 3; ++k) {
        const int value = (*tokens)[k];
        switch (order[k]) {
        case 'D':
            parts.day = value;
            break;
        case 'M':
            parts.month = value;
            break;
        default:
            parts.year = widths[k] <= 2 ? (value < 50 ? 2000 + value : 1900 + value) : value;
            break;
        }
    }
    if (!IsValidDate(parts.year, parts.month, parts.day))
        return std::nullopt;
    return parts;
}

std::optional<TDateTimeParts> TFormatSettings::ParseTime(std::string_view text) const {
    text = TrimSpacesAndTabs(text);
    int meridiem = 0; // 1 AM, 2 PM
    for (int pass = 0; pass < 2 && meridiem == 0; ++pass) {
        const std::string& marker = pass == 0 ? timeAMString : timePMString;
        if (marker.empty())
            continue;
        if (StartsWithNoCase(text, marker)) {
            text.remove_prefix(marker.size());
            meridiem = pass + 1;
        } else if (EndsWithNoCase(text, marker)) {
            text.remove_suffix(marker.size());
            meridiem = pass + 1;
        }
    }
    text = TrimSpacesAndTabs(text);
    // Split off a fraction of a second after the decimal separator.
    int millisecond = 0;
    const std::size_t fractionAt = text.find(decimalSeparator);
    if (fractionAt != std::string_view::npos && decimalSeparator != timeSeparator) {
        std::string_view fraction = TrimSpacesAndTabs(text.substr(fractionAt + 1));
        if (fraction.empty() || fraction.size() > 3)
            return std::nullopt;
        int scale = 100;
        for (char c : fraction) {
            if (!IsDigit(c))
                return std::nullopt;
            millisecond += (c - '0') * scale;
            scale /= 10;
        }
        text = text.substr(0, fractionAt);
    }
    const auto tokens = NumericTokens(text, timeSeparator, 2, nullptr);
    if (!tokens || tokens->size() < 2 || tokens->size() > 3)
        return std::nullopt;
    if (fractionAt != std::string_view::npos && tokens->size() != 3)
        return std::nullopt; // a fraction belongs to the seconds
    TDateTimeParts parts;
    parts.year = 1899;
    parts.month = 12;
    parts.day = 30;
    parts.hour = (*tokens)[0];
    parts.minute = (*tokens)[1];
    parts.second = tokens->size() == 3 ? (*tokens)[2] : 0;
    parts.millisecond = millisecond;
    if (meridiem != 0) {
        if (parts.hour < 1 || parts.hour > 12)
            return std::nullopt;
        parts.hour = parts.hour % 12 + (meridiem == 2 ? 12 : 0);
    }
    if (!IsValidTime(parts.hour, parts.minute, parts.second, parts.millisecond))
        return std::nullopt;
    return parts;
}

std::optional<TDateTimeParts> TFormatSettings::ParseDateTime(std::string_view text) const {
    text = TrimSpacesAndTabs(text);
    if (auto date = ParseDate(text))
        return date;
    if (auto time = ParseTime(text))
        return time;
    // A date, blanks, a time: try every blank as the place where the date ends.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsSpaceOrTab(text[i]))
            continue;
        const auto date = ParseDate(text.substr(0, i));
        if (!date)
            continue;
        if (const auto time = ParseTime(text.substr(i + 1))) {
            TDateTimeParts parts = *time;
            parts.year = date->year;
            parts.month = date->month;
            parts.day = date->day;
            return parts;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> TFormatSettings::ParseInteger(std::string_view text) const {
    text = TrimSpacesAndTabs(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
            __builtin_add_overflow(magnitude, static_cast<unsigned>(c - '0'), &magnitude))
            return std::nullopt;
    }
    if (magnitude > (negative ? static_cast<std::uint64_t>(INT64_MAX) + 1 : INT64_MAX))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(~magnitude + 1)
                    : static_cast<std::int64_t>(magnitude);
}

namespace {

// The parts of a decimal number: sign, its digits without leading zeros, the
// power of ten of the last digit.
struct TDecimalText {
    bool negative = false;
    std::string digits;
    long exponent = 0; // value = digits × 10^exponent
};

std::optional<TDecimalText> ScanDecimal(std::string_view text, char decimalSeparator) {
    text = TrimSpacesAndTabs(text);
    TDecimalText d;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        d.negative = text[i++] == '-';
    bool anyDigit = false;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            anyDigit = true;
            if (!(d.digits.empty() && c == '0'))
                d.digits += c;
            if (afterPoint)
                --d.exponent;
        } else if (c == decimalSeparator && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E')
            return std::nullopt;
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i == text.size())
            return std::nullopt;
        long e = 0;
        for (; i < text.size(); ++i) {
            if (!IsDigit(text[i]))
                return std::nullopt;
            if (e < 100000)
                e = e * 10 + (text[i] - '0');
        }
        d.exponent += negativeExponent ? -e : e;
    }
    return d;
}

} // namespace

std::optional<double> TFormatSettings::ParseFloat(std::string_view text) const {
    const auto d = ScanDecimal(text, decimalSeparator);
    if (!d)
        return std::nullopt;
    if (d->digits.empty())
        return d->negative ? -0.0 : 0.0;
    // Rebuilt in the neutral notation and converted without any C locale.
    const std::string neutral = d->digits + "e" + std::to_string(d->exponent);
    double value = 0.0;
    const auto result = std::from_chars(neutral.data(), neutral.data() + neutral.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return d->negative ? -value : value;
}

std::optional<TCurrency> TFormatSettings::ParseCurrency(std::string_view text) const {
    const auto d = ScanDecimal(text, decimalSeparator);
    if (!d)
        return std::nullopt;
    if (d->digits.empty())
        return 0;
    // Digits up to the fourth place after the point, then round on the next one.
    const long scaledExponent = d->exponent + 4;
    const long length = static_cast<long>(d->digits.size());
    const long kept = length + scaledExponent; // digits at or above 10^-4
    if (kept > 19)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (long k = 0; k < kept; ++k) {
        const unsigned digit = k < length ? static_cast<unsigned>(d->digits[k] - '0') : 0;
        if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
            __builtin_add_overflow(magnitude, digit, &magnitude))
            return std::nullopt;
    }
    if (kept >= 0 && kept < length && d->digits[kept] >= '5')
        ++magnitude;
    const std::uint64_t limit = d->negative ? static_cast<std::uint64_t>(INT64_MAX) + 1 : INT64_MAX;
    if (magnitude > limit)
        return std::nullopt;
    return d->negative ? static_cast<std::int64_t>(~magnitude + 1)
                       : static_cast<std::int64_t>(magnitude);
}

} // namespace tabula
