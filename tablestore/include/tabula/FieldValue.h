// Value encodings of the field types inside a record image.
//
//   date        int32 day number; 0001-01-01 is day 1, 1899-12-30 is 693594
//   time        int32 milliseconds since midnight
//   timestamp   IEEE double: day number × 86400000 + milliseconds since midnight
//   BCD         int64 holding a decimal digit string: the value rounded to
//               min(d, 4) places and written with exactly d digits after the
//               point, the point removed, the decimal digits of d appended,
//               and the sign of the value. For d ≤ 9 this is
//               sign(v) × (|v| × 10^(d+1) + d): 12.34 with 2 decimals is 12342.
//               Larger d append their two (or three) digits the same way;
//               values that would not fit in 64 bits are refused.
//   extended    80-bit extended float: 64-bit mantissa with an explicit
//               integer bit, 15-bit exponent biased by 16383, sign bit;
//               little-endian, mantissa first.
//
// Decimal values are carried as TCurrency: a signed 64-bit count of
// ten-thousandths (the platform's currency type), because BCD values are
// never kept to more than four places.
#pragma once

#include <cstdint>
#include <optional>

namespace tabula {

using TCurrency = std::int64_t; // value × 10000
inline constexpr std::int64_t kCurrencyScale = 10000;

struct TDateTimeParts {
    int year = 1;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The current local date and time of the machine's clock.
TDateTimeParts LocalNow();

// ---- Dates -------------------------------------------------------------------
inline constexpr std::int32_t kMaxDayNumber = 3652059; // 9999-12-31

bool IsValidDate(int year, int month, int day);
// Day number of a valid date (proleptic Gregorian calendar).
std::int32_t DayNumber(int year, int month, int day);
// The date of a day number from 1 to kMaxDayNumber; nullopt outside that range.
std::optional<TDateTimeParts> DateOfDayNumber(std::int32_t dayNumber);

// ---- Times and timestamps ------------------------------------------------------
bool IsValidTime(int hour, int minute, int second, int millisecond);
std::int32_t TimeOfDayMs(int hour, int minute, int second, int millisecond);
double TimestampValue(std::int32_t dayNumber, std::int32_t msOfDay);
double TimestampValue(const TDateTimeParts& parts);

// ---- BCD ---------------------------------------------------------------------------
// The stored integer for a value with d declared decimals, or nullopt when
// the digit string would not fit in 64 bits.
std::optional<std::int64_t> EncodeBcd(TCurrency value, int decimals);
// The value of a stored integer. The trailing digits (as many as d has) give
// the decimal count actually stored; nullopt when the value does not fit.
std::optional<TCurrency> DecodeBcd(std::int64_t stored, int decimals);

// ---- 80-bit extended float ----------------------------------------------------------
inline constexpr int kExtendedSize = 10;
// Every double is exactly representable.
void EncodeExtended(double value, std::uint8_t* out);
// Rounded to the nearest double; out-of-range magnitudes become infinities or zeros.
double DecodeExtended(const std::uint8_t* in);

} // namespace tabula
