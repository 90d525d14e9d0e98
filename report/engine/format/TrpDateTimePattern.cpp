// Date-time patterns (the language is described in TrpFormat.h): a value is
// split into its calendar fields once, then the pattern is walked token by
// token; the locale's own formats are walked the same way, nested at most
// kMaxNesting levels.
#include "TrpFormat.h"
#include "tabula/FieldValue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace report {

namespace {

constexpr int kMaxNesting = 2;
constexpr std::int64_t kMsPerDay = 86400000;
// Day number (0001-01-01 = 1) of 1899-12-30, the date-time value's day 0.
constexpr std::int32_t kDayNumberOfDayZero = 693594;
static_assert(kDayNumberOfDayZero % 7 == 6); // 1899-12-30 was a Saturday

struct DateTimeFields {
    int year = 1;
    int month = 1;
    int day = 1;
    int dayOfWeek = 0; // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The date is the whole part (towards zero), the time the fraction's size,
// so -1.25 is 1899-12-29 06:00.
DateTimeFields Decode(double days) {
    if (!std::isfinite(days) || std::fabs(days) > tabula::kMaxDayNumber)
        throw ETrpValueError("Invalid date-time value");
    double whole = std::trunc(days);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += 1;
    }
    const auto dayNumber = static_cast<std::int32_t>(whole) + kDayNumberOfDayZero;
    const auto date = tabula::DateOfDayNumber(dayNumber);
    if (!date)
        throw ETrpValueError("Invalid date-time value");
    DateTimeFields fields;
    fields.year = date->year;
    fields.month = date->month;
    fields.day = date->day;
    fields.dayOfWeek = dayNumber % 7;
    fields.hour = static_cast<int>(ms / 3600000);
    fields.minute = static_cast<int>(ms / 60000 % 60);
    fields.second = static_cast<int>(ms / 1000 % 60);
    fields.millisecond = static_cast<int>(ms % 1000);
    return fields;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k) {
        if (std::tolower(static_cast<unsigned char>(text[at + k])) != word[k])
            return false;
    }
    return true;
}

// Length of the AM/PM token at `at`, 0 when there is none.
std::size_t AmPmTokenLength(std::string_view pattern, std::size_t at) {
    for (std::string_view token : {"am/pm", "ampm", "a/p"}) {
        if (StartsWithNoCase(pattern, at, token))
            return token.size();
    }
    return 0;
}

std::size_t QuotedEnd(std::string_view text, std::size_t at) {
    const std::size_t close = text.find(text[at], at + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

bool HasAmPm(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern[i] == '"' || pattern[i] == '\'') {
            i = QuotedEnd(pattern, i);
        } else if (AmPmTokenLength(pattern, i) > 0) {
            return true;
        } else {
            ++i;
        }
    }
    return false;
}

std::size_t RunOf(std::string_view text, std::size_t at) {
    const int letter = std::tolower(static_cast<unsigned char>(text[at]));
    std::size_t end = at;
    while (end < text.size() && std::tolower(static_cast<unsigned char>(text[end])) == letter)
        ++end;
    return end - at;
}

class DateTimeWriter {
public:
    DateTimeWriter(const DateTimeFields& fields, const TrpFormatSettings& settings)
        : fields_(fields), settings_(settings) {}

    void Write(std::string_view pattern, int depth) {
        if (depth > kMaxNesting)
            return;
        const bool outerTwelveHour = twelveHour_;
        twelveHour_ = HasAmPm(pattern);
        for (std::size_t i = 0; i < pattern.size();)
            i = WriteToken(pattern, i, depth);
        twelveHour_ = outerTwelveHour;
    }

    const std::string& Text() const { return out_; }

private:
    void Number(int value, int width) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
        out_ += buffer;
    }

    // Writes the token at i; returns the index after it.
    std::size_t WriteToken(std::string_view pattern, std::size_t i, int depth) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = QuotedEnd(pattern, i);
            const std::size_t stop = pattern[end - 1] == c && end > i + 1 ? end - 1 : end;
            out_.append(pattern.substr(i + 1, stop - (i + 1)));
            return end;
        }
        if (const std::size_t length = AmPmTokenLength(pattern, i)) {
            WriteAmPm(pattern.substr(i, length));
            return i + length;
        }
        const std::size_t run = RunOf(pattern, i);
        switch (std::tolower(static_cast<unsigned char>(c))) {
        case 'c':
            WriteC(depth);
            return Consumed(i, 1, 'c');
        case 'd':
            WriteDay(std::min<std::size_t>(run, 6), depth);
            return Consumed(i, run, 'd');
        case 'm':
            WriteMonthOrMinute(run);
            return Consumed(i, run, 'm');
        case 'y':
            if (run <= 2)
                Number(fields_.year % 100, 2);
            else
                Number(fields_.year, 4);
            return Consumed(i, run, 'y');
        case 'h':
            Number(Hour(), run >= 2 ? 2 : 1);
            return Consumed(i, std::min<std::size_t>(run, 2), 'h');
        case 'n':
            Number(fields_.minute, run >= 2 ? 2 : 1);
            return Consumed(i, std::min<std::size_t>(run, 2), 'n');
        case 's':
            Number(fields_.second, run >= 2 ? 2 : 1);
            return Consumed(i, std::min<std::size_t>(run, 2), 's');
        case 'z':
            Number(fields_.millisecond, run >= 3 ? 3 : 1);
            return Consumed(i, run >= 3 ? 3 : 1, 'z');
        case 't':
            Write(run >= 2 ? settings_.longTimeFormat : settings_.shortTimeFormat, depth + 1);
            return Consumed(i, std::min<std::size_t>(run, 2), 't');
        case '/':
            out_ += settings_.dateSeparator;
            return i + 1;
        case ':':
            out_ += settings_.timeSeparator;
            return i + 1;
        default:
            out_ += c;
            return i + 1;
        }
    }

    std::size_t Consumed(std::size_t at, std::size_t count, char token) {
        lastToken_ = token;
        return at + count;
    }

    int Hour() const {
        if (!twelveHour_)
            return fields_.hour;
        const int hour = fields_.hour % 12;
        return hour == 0 ? 12 : hour;
    }

    void WriteC(int depth) {
        Write(settings_.shortDateFormat, depth + 1);
        if (fields_.hour != 0 || fields_.minute != 0 || fields_.second != 0 ||
            fields_.millisecond != 0) {
            out_ += ' ';
            Write(settings_.longTimeFormat, depth + 1);
        }
    }

    void WriteDay(std::size_t count, int depth) {
        switch (count) {
        case 1:
        case 2:
            Number(fields_.day, static_cast<int>(count));
            break;
        case 3:
            out_ += settings_.shortDayNames[static_cast<std::size_t>(fields_.dayOfWeek)];
            break;
        case 4:
            out_ += settings_.longDayNames[static_cast<std::size_t>(fields_.dayOfWeek)];
            break;
        case 5:
            Write(settings_.shortDateFormat, depth + 1);
            break;
        default:
            Write(settings_.longDateFormat, depth + 1);
            break;
        }
    }

    void WriteMonthOrMinute(std::size_t count) {
        if (lastToken_ == 'h' && count <= 2) {
            Number(fields_.minute, static_cast<int>(count));
            return;
        }
        const auto month = static_cast<std::size_t>(fields_.month - 1);
        if (count <= 2)
            Number(fields_.month, static_cast<int>(count));
        else if (count == 3)
            out_ += settings_.shortMonthNames[month];
        else
            out_ += settings_.longMonthNames[month];
    }

    // "am/pm" and "a/p" in the case of their first letter; "ampm" the locale's texts.
    void WriteAmPm(std::string_view token) {
        const bool pm = fields_.hour >= 12;
        if (token.size() == 4) {
            out_ += pm ? settings_.pmText : settings_.amText;
            return;
        }
        const bool upper = std::isupper(static_cast<unsigned char>(token[0]));
        std::string text = token.size() == 3 ? (pm ? "p" : "a") : (pm ? "pm" : "am");
        if (upper) {
            for (char& ch : text)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        out_ += text;
    }

    const DateTimeFields& fields_;
    const TrpFormatSettings& settings_;
    std::string out_;
    char lastToken_ = 0;
    bool twelveHour_ = false;
};

} // namespace

std::string FormatDateTime(const std::string& pattern, double dateTime) {
    const DateTimeFields fields = Decode(dateTime);
    const auto settings = TrpFormatSettings::Current();
    DateTimeWriter writer(fields, *settings);
    writer.Write(pattern.empty() ? std::string_view("c") : std::string_view(pattern), 0);
    return writer.Text();
}

std::string FormatDateTime(const std::string& pattern, const TrpValue& value) {
    if (IsNull(value))
        return {};
    if (value.IsDateTime())
        return FormatDateTime(pattern, value.AsDateTime());
    if (value.IsText()) {
        const auto days = TextToDateTime(value.AsText());
        if (!days)
            throw ETrpValueError("'" + value.AsText() + "' is not a valid date and time");
        return FormatDateTime(pattern, *days);
    }
    return FormatDateTime(pattern, value.ToReal());
}

} // namespace report
