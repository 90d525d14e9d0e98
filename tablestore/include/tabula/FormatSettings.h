// TFormatSettings: the date, time and number formats by which the engine
// reads dates, times and numbers written as text (the minimum, maximum and
// default texts of field descriptors).
//
// There is one process-wide record, used by every table without a locale. It
// starts with fixed values, never taken from the environment, so a table
// reads its texts the same way on every machine; the application may replace
// it (it sets the short date format "dd/mm/yyyy"). A table with a locale uses
// a record filled from that locale's data instead (TTableLocale).
//
// Format letters follow the platform's convention: d day, m month, y year in
// dates; h hour, n minute, s second in times. Only the order of d, m and y in
// the short date format matters for reading; a one- or two-digit year is read
// as 2000..2049 for 00..49 and 1950..1999 for 50..99 (a fixed window, so the
// result does not depend on the current year).
//
// Global() and SetGlobal() are guarded by a mutex; a TFormatSettings value
// itself is immutable once handed out.
#pragma once

#include "FieldValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabula {

struct TFormatSettings {
    char dateSeparator = '/';
    std::string shortDateFormat = "mm/dd/yyyy";
    char timeSeparator = ':';
    std::string longTimeFormat = "hh:nn:ss";
    std::string timeAMString = "AM";
    std::string timePMString = "PM";
    char decimalSeparator = '.';
    char thousandSeparator = ',';

    // A copy of the process-wide record.
    static TFormatSettings Global();
    static void SetGlobal(const TFormatSettings& settings);
    // The values the process-wide record starts with.
    static TFormatSettings Defaults() { return {}; }

    // A date in the order of the short date format: the date fields only.
    std::optional<TDateTimeParts> ParseDate(std::string_view text) const;
    // hour, separator, minute, optionally separator and seconds with an
    // optional fraction after the decimal separator, optionally the AM or PM
    // string; the time fields only (the date part is 1899-12-30).
    std::optional<TDateTimeParts> ParseTime(std::string_view text) const;
    // A date, a date followed by blanks and a time, or a time alone (on 1899-12-30).
    std::optional<TDateTimeParts> ParseDateTime(std::string_view text) const;
    // Optional sign and decimal digits, blanks around allowed.
    std::optional<std::int64_t> ParseInteger(std::string_view text) const;
    // Optional sign, digits with an optional decimal separator, optional exponent.
    std::optional<double> ParseFloat(std::string_view text) const;
    // As ParseFloat, rounded to four places (halves away from zero); nullopt
    // outside the currency range.
    std::optional<TCurrency> ParseCurrency(std::string_view text) const;
};

} // namespace tabula
