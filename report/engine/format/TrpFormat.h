// Display formats: how report values become text. The memo expansion calls
// FormatValue with an object's format code and pattern (or with an inline
// format of an [expression]); the standard functions "FORMATFLOAT",
// "FORMATDATETIME" and "FORMATTEXT" call the three pattern formatters.
// Locale data (month names, separators, the OS date formats) comes from
// TrpFormatSettings::Current().
//
// FLOAT PATTERNS (FormatFloat)
//   Up to three sections separated by ";": positive; negative; zero. With
//   one section every value uses it and a negative one gets a leading "-";
//   the negative section, when given and not empty, replaces the sign; the
//   zero section serves values that round to zero in their own section.
//   An empty section falls back to the first; an empty first section (or
//   pattern) gives the general form: up to 15 significant digits, in
//   exponent form ("1.5E20", "1E-7") below 1E-5 or from 1E15.
//     0     digit; shows a zero where the value has no digit
//     #     digit; shows nothing where the value has no digit
//     .     the decimal point (the first one; later ones are ignored),
//           written as the given decimal separator
//     ,     anywhere in the section: group the integer digits by three
//           with the locale's thousands separator (",", or "." when the
//           locale's separator is the decimal separator itself)
//     E+ E- e+ e-  exponent form; up to four "0" after it give the
//           exponent's least digits; "+" always writes the sign, "-" only
//           a minus
//     "x" 'x'      copied as it is
//     other characters are copied.
//   The value is rounded (halves away from zero) to the digit placeholders
//   after the point; integer digits beyond the placeholders before the
//   point are written at the first of them. Values of 1E18 and beyond
//   without an exponent in the pattern use the general form; infinities
//   and NaN read "INF", "-INF", "NAN".
//
// DATE-TIME PATTERNS (FormatDateTime), letters in either case
//   c        short date, then (unless the time is midnight) blank and long time
//   d dd     day; ddd dddd short and long day name; ddddd short date;
//            dddddd long date format of the locale
//   m mm     month; mmm mmmm short and long month name; right after an
//            h or hh (literals between allowed) m and mm mean the minute
//   yy yyyy  year with two or four digits (y, yy: two; three or more: four)
//   h hh     hour; n nn minute; s ss second; z zzz millisecond
//   t tt     short and long time format of the locale
//   am/pm a/p  12-hour clock with "am"/"pm" or "a"/"p" in the pattern's
//            case; ampm the locale's AM/PM texts; any of these anywhere in
//            the pattern turns h and hh into the 12-hour clock
//   /  :     the locale's date and time separators
//   "x" 'x'  copied; other characters are copied.
//   An empty pattern means "c". Locale formats are expanded two levels
//   deep at most, so a locale format that names itself cannot recurse.
//
// EDIT MASKS (FormatText): "mask;keep;blank", the last two optional; the
// standard function appends ";0; ", so a mask without fields of its own
// takes keep = 0 and blank = " ".
//   0 9 # L l A a C c  a position for one character of the text (the text
//                      is placed as it is, not checked against the class)
//   > <  upper or lower case from here on; <> neither
//   !    a short text fills the last positions instead of the first
//   \    the next mask character is literal
//   _    a blank; / and : the locale's date and time separators;
//   other characters are literal.
//   keep "0": the text holds only the characters for the positions;
//   otherwise it holds the literals too, at their places, and they are
//   skipped. Positions left without a character get the blank character.
#pragma once

#include "TrpFormatCode.h"
#include "TrpFormatSettings.h"
#include "TrpValue.h"

#include <cstdint>
#include <string>

namespace report {

// The value as text by a format code and the object's custom pattern.
// Null and texts that are blank after trimming give the empty text; a value
// that does not convert to the category's kind is written as text.
std::string FormatValue(const TrpValue& value, std::int32_t formatCode, const std::string& pattern);

std::string FormatFloat(const std::string& pattern, double value, char decimalSeparator = '.');

// A date-time is days since 1899-12-30, the time of day as the fraction.
// Values outside the years 1 to 9999 raise EConvertError.
std::string FormatDateTime(const std::string& pattern, double dateTime);
// A report value as a date-time: Null gives the empty text, a text is read
// as a date and time (ETrpValueError when it is none), numbers are days.
std::string FormatDateTime(const std::string& pattern, const TrpValue& value);

// Fields missing from the mask take keep "0" and blank " ", which is what
// the function's appended ";0; " gives; pass the mask as written.
std::string FormatText(const std::string& mask, const std::string& text);

// The format part of an [expression] (the text after " #"): "N…" or a
// digit for numbers ("N12,2" fixed with 2 decimals and ",", "N0.00" the
// custom pattern "0.00"), "D…" / "T…" for dates and times, "B…" for booleans
// (either case). On a recognised format, code (which comes in as the
// object's code, whose separator a numeric format without one keeps) and
// pattern are replaced and true is returned; otherwise both are left alone.
bool ParseInlineFormat(const std::string& text, std::int32_t& code, std::string& pattern);

// Splits "expression #format" at the first blank-and-"#" outside quotes;
// false (and nothing changed) when there is none.
bool SplitInlineFormat(const std::string& bracketText, std::string& expression,
                       std::string& format);

// Whether "HideZeros" blanks the value: a number or date-time equal to 0.
bool IsHiddenZero(const TrpValue& value);

} // namespace report
