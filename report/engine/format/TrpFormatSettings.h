// TrpFormatSettings: the locale data the display formats draw on: the
// thousands separator, the date and time separators, the short and long date
// and time formats (written in the date-time pattern language of
// TrpFormat.h), month and day names and the AM/PM texts. All texts are
// single-byte Windows-1252, like every other report text.
//
// One process-wide record is current. It is filled from Qt's default locale
// (QLocale()) on first use; the program or a test may replace it. Current()
// hands out an immutable snapshot, so a replacement never changes a record
// that a formatter is reading; the switch itself is guarded by a mutex.
#pragma once

#include <array>
#include <memory>
#include <string>

class QLocale;
class QString;

namespace report {

struct TrpFormatSettings {
    std::string thousandSeparator = ",";
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string shortDateFormat = "m/d/yyyy";
    std::string longDateFormat = "dddd, mmmm d, yyyy";
    std::string shortTimeFormat = "h:nn ampm";
    std::string longTimeFormat = "h:nn:ss ampm";
    std::string amText = "AM";
    std::string pmText = "PM";
    std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> longMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    // Index 0 is Sunday.
    std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};

    // The record of a Qt locale; its patterns are translated into the
    // report's pattern language.
    static TrpFormatSettings FromLocale(const QLocale& locale);

    static std::shared_ptr<const TrpFormatSettings> Current();
    static void SetCurrent(const TrpFormatSettings& settings);
};

// A Qt date or time pattern (d dd ddd dddd M MM MMM MMMM yy yyyy h hh H HH
// m mm s ss z zzz AP ap A a t, text in single quotes) in the report's
// pattern language; the time-zone letter has no counterpart and is dropped
// with the blank before it.
std::string PatternFromQtFormat(const QString& qtPattern);

// Text of a Qt string as Windows-1252 bytes: special blanks become the
// no-break space, other characters the code page lacks become "?".
std::string ToWindows1252(const QString& text);

} // namespace report
