// Value encodings of the field types inside a record image.
#include "FieldValue.h"

#include "DataFileFormat.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

namespace tabula {

namespace {

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// 10^n for n from 0 to 18 (10^19 does not fit a signed 64-bit integer).
constexpr std::uint64_t kPow10[] = {1ull,
                                    10ull,
                                    100ull,
                                    1000ull,
                                    10000ull,
                                    100000ull,
                                    1000000ull,
                                    10000000ull,
                                    100000000ull,
                                    1000000000ull,
                                    10000000000ull,
                                    100000000000ull,
                                    1000000000000ull,
                                    10000000000000ull,
                                    100000000000000ull,
                                    1000000000000000ull,
                                    10000000000000000ull,
                                    100000000000000000ull,
                                    1000000000000000000ull};
constexpr int kMaxPow10 = 18;

int DecimalDigits(int n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// a × 10^n, or nullopt on overflow of the unsigned 64-bit range.
std::optional<std::uint64_t> ScaleUp(std::uint64_t a, int n) {
    if (a == 0)
        return 0;
    if (n > kMaxPow10)
        return std::nullopt;
    std::uint64_t result;
    if (__builtin_mul_overflow(a, kPow10[n], &result))
        return std::nullopt;
    return result;
}

} // namespace

TDateTimeParts LocalNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now.time_since_epoch() - std::chrono::seconds(seconds))
                        .count();
    std::tm local{};
    localtime_r(&seconds, &local);
    TDateTimeParts parts;
    parts.year = local.tm_year + 1900;
    parts.month = local.tm_mon + 1;
    parts.day = local.tm_mday;
    parts.hour = local.tm_hour;
    parts.minute = local.tm_min;
    parts.second = local.tm_sec;
    parts.millisecond = static_cast<int>(ms < 0 ? 0 : (ms > 999 ? 999 : ms));
    return parts;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int* table = kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0];
    return day <= table[month] - table[month - 1];
}

std::int32_t DayNumber(int year, int month, int day) {
    const int y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400 +
           kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0][month - 1] + day;
}

std::optional<TDateTimeParts> DateOfDayNumber(std::int32_t dayNumber) {
    if (dayNumber < 1 || dayNumber > kMaxDayNumber)
        return std::nullopt;
    int t = dayNumber - 1; // days since 0001-01-01
    int year = 1 + 400 * (t / 146097);
    t %= 146097;
    int n = t / 36524;
    if (n == 4) // last day of a 400-year cycle
        n = 3;
    year += 100 * n;
    t -= n * 36524;
    year += 4 * (t / 1461);
    t %= 1461;
    n = t / 365;
    if (n == 4) // last day of a leap year
        n = 3;
    year += n;
    t -= n * 365;
    const int* table = kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0];
    int month = 1;
    while (t >= table[month])
        ++month;
    TDateTimeParts parts;
    parts.year = year;
    parts.month = month;
    parts.day = t - table[month - 1] + 1;
    return parts;
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

std::int32_t TimeOfDayMs(int hour, int minute, int second, int millisecond) {
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

double TimestampValue(std::int32_t dayNumber, std::int32_t msOfDay) {
    return static_cast<double>(dayNumber) * datafmt::kMsPerDay + msOfDay;
}

double TimestampValue(const TDateTimeParts& p) {
    return TimestampValue(DayNumber(p.year, p.month, p.day),
                          TimeOfDayMs(p.hour, p.minute, p.second, p.millisecond));
}

std::optional<std::int64_t> EncodeBcd(TCurrency value, int decimals) {
    if (decimals < 0 || decimals > 255)
        return std::nullopt;
    const bool negative = value < 0;
    // Magnitude in unsigned arithmetic: |INT64_MIN| does not fit a signed value.
    std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    // Round to min(d, 4) places, halves away from zero.
    const int places = decimals < 4 ? decimals : 4;
    const std::uint64_t factor = kPow10[4 - places];
    std::uint64_t units = magnitude / factor;
    if ((magnitude % factor) * 2 >= factor)
        ++units;
    // Exactly d digits after the point, then the digits of d appended.
    const auto digits = ScaleUp(units, decimals - places);
    if (!digits)
        return std::nullopt;
    const auto shifted = ScaleUp(*digits, DecimalDigits(decimals));
    if (!shifted)
        return std::nullopt;
    const std::uint64_t stored = *shifted + static_cast<std::uint64_t>(decimals);
    if (stored < *shifted || stored > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    const auto result = static_cast<std::int64_t>(stored);
    return negative ? -result : result;
}

std::optional<TCurrency> DecodeBcd(std::int64_t stored, int decimals) {
    if (decimals < 0 || decimals > 255)
        return std::nullopt;
    const bool negative = stored < 0;
    const std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(stored) + 1 : static_cast<std::uint64_t>(stored);
    const int suffixDigits = DecimalDigits(decimals);
    if (suffixDigits > kMaxPow10)
        return std::nullopt;
    const int storedDecimals = static_cast<int>(magnitude % kPow10[suffixDigits]);
    const std::uint64_t units = magnitude / kPow10[suffixDigits];
    std::uint64_t scaled;
    if (storedDecimals <= 4) {
        const auto up = ScaleUp(units, 4 - storedDecimals);
        if (!up)
            return std::nullopt;
        scaled = *up;
    } else {
        const int drop = storedDecimals - 4;
        scaled = drop > kMaxPow10 ? 0 : units / kPow10[drop];
    }
    if (scaled > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    const auto result = static_cast<std::int64_t>(scaled);
    return negative ? -result : result;
}

void EncodeExtended(double value, std::uint8_t* out) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const std::uint16_t sign = static_cast<std::uint16_t>((bits >> 63) << 15);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((1ull << 52) - 1);
    std::uint64_t mantissa = 0;
    int biased = 0;
    if (exponent == 0x7FF) { // infinity or NaN (payload kept)
        biased = 0x7FFF;
        mantissa = (1ull << 63) | (fraction << 11);
    } else if (exponent == 0) {
        if (fraction != 0) { // subnormal double: normalise, the extended range holds it
            const int lz = std::countl_zero(fraction);
            mantissa = fraction << lz;
            biased = 16383 + 63 - 1074 - lz;
        }
    } else {
        mantissa = (1ull << 63) | (fraction << 11);
        biased = exponent - 1023 + 16383;
    }
    datafmt::PutU64(out, mantissa);
    datafmt::PutU16(out + 8, static_cast<std::uint16_t>(sign | biased));
}

double DecodeExtended(const std::uint8_t* in) {
    const std::uint64_t mantissa = datafmt::GetU64(in);
    const std::uint16_t signExponent = datafmt::GetU16(in + 8);
    const bool negative = (signExponent & 0x8000) != 0;
    const int biased = signExponent & 0x7FFF;
    double magnitude;
    if (biased == 0x7FFF)
        magnitude = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
    else if (mantissa == 0)
        magnitude = 0.0;
    else // the conversion rounds the 64-bit mantissa to 53 bits once
        magnitude = std::ldexp(static_cast<double>(mantissa), biased - 16383 - 63);
    return negative ? -magnitude : magnitude;
}

} // namespace tabula
