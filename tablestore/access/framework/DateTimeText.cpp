// Pattern-driven formatting of dates and times.
#include "DateTimeText.h"

#include <cctype>
#include <cstdio>

namespace tabula {

namespace {

std::string Digits(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

std::size_t RunLength(const std::string& p, std::size_t i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    std::size_t n = 1;
    while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) == c)
        ++n;
    return n;
}

bool StartsAmPm(const std::string& p, std::size_t i) {
    if (i + 4 > p.size())
        return false;
    std::string word;
    for (std::size_t k = 0; k < 4; ++k)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(p[i + k])));
    return word == "ampm";
}

} // namespace

std::string FormatDateTimeText(const std::string& pattern, const TDateTimeParts& t,
                               const TFormatSettings& settings) {
    bool twelveHour = false;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        twelveHour = twelveHour || StartsAmPm(pattern, i);
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char raw = pattern[i];
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
        if (raw == '"' || raw == '\'') {
            const std::size_t end = pattern.find(raw, i + 1);
            const std::size_t stop = end == std::string::npos ? pattern.size() : end;
            out += pattern.substr(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (StartsAmPm(pattern, i)) {
            out += t.hour < 12 ? settings.timeAMString : settings.timePMString;
            i += 4;
            continue;
        }
        const std::size_t n = RunLength(pattern, i);
        switch (c) {
        case 'd':
            out += n >= 2 ? Digits(t.day, 2) : std::to_string(t.day);
            break;
        case 'm':
            out += n >= 2 ? Digits(t.month, 2) : std::to_string(t.month);
            break;
        case 'y':
            out += n <= 2 ? Digits(t.year % 100, 2) : Digits(t.year, 4);
            break;
        case 'h': {
            int hour = t.hour;
            if (twelveHour)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += n >= 2 ? Digits(hour, 2) : std::to_string(hour);
            break;
        }
        case 'n':
            out += n >= 2 ? Digits(t.minute, 2) : std::to_string(t.minute);
            break;
        case 's':
            out += n >= 2 ? Digits(t.second, 2) : std::to_string(t.second);
            break;
        case 'z':
            out += n >= 3 ? Digits(t.millisecond, 3) : std::to_string(t.millisecond);
            break;
        case '/':
            out.append(n, settings.dateSeparator);
            break;
        case ':':
            out.append(n, settings.timeSeparator);
            break;
        default:
            out.append(pattern, i, n);
            break;
        }
        i += n;
    }
    return out;
}

} // namespace tabula
