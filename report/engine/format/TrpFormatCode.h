// The display-format code of a report object: one 32-bit integer, stored in
// templates as it is, that says how an [expression]'s value becomes text.
//
//   bits  0..7   decimal separator character (numbers only)
//   bits  8..15  number of decimals (numbers only)
//   bits 16..23  format index within the category: 0..3 a predefined
//                format, 4 the object's custom pattern
//   bits 24..27  category: 0 text, 1 number, 2 date, 3 time, 4 boolean
//   bits 28..31  unused, zero
//
// A new object starts with "text, 2 decimals, the locale's separator".
#pragma once

#include <cstdint>

namespace report {

inline constexpr int kFormatSeparatorShift = 0;
inline constexpr int kFormatDecimalsShift = 8;
inline constexpr int kFormatIndexShift = 16;
inline constexpr int kFormatCategoryShift = 24;
inline constexpr std::uint32_t kFormatByteMask = 0xFF;
inline constexpr std::uint32_t kFormatCategoryMask = 0x0F;

// Categories.
inline constexpr int kFormatText = 0;
inline constexpr int kFormatNumber = 1;
inline constexpr int kFormatDate = 2;
inline constexpr int kFormatTime = 3;
inline constexpr int kFormatBoolean = 4;

// Format indexes.
inline constexpr int kFormatIndexCustom = 4;
inline constexpr int kNumberGeneral = 0;   // "##0." + one "#" per decimal
inline constexpr int kNumberFixed = 1;     // exactly the decimals
inline constexpr int kNumberGrouped = 2;   // "#,##0." + one "#" per decimal
inline constexpr int kNumberThousands = 3; // grouped, exactly the decimals
inline constexpr int kDateLocaleLong = 3;  // the locale's long date format

// The decimals a new object starts with.
inline constexpr int kDefaultFormatDecimals = 2;

static_assert(kFormatCategoryShift + 4 <= 32);
static_assert(kFormatBoolean <= static_cast<int>(kFormatCategoryMask));
static_assert((kDefaultFormatDecimals << kFormatDecimalsShift) == 512);

struct TrpFormatFields {
    char separator = '.';
    int decimals = 0;
    int index = 0;
    int category = kFormatText;
};

constexpr TrpFormatFields UnpackFormatCode(std::int32_t code) {
    const auto bits = static_cast<std::uint32_t>(code);
    TrpFormatFields fields;
    fields.separator = static_cast<char>((bits >> kFormatSeparatorShift) & kFormatByteMask);
    fields.decimals = static_cast<int>((bits >> kFormatDecimalsShift) & kFormatByteMask);
    fields.index = static_cast<int>((bits >> kFormatIndexShift) & kFormatByteMask);
    fields.category = static_cast<int>((bits >> kFormatCategoryShift) & kFormatCategoryMask);
    return fields;
}

// Fields beyond their bit width are cut to it.
constexpr std::int32_t PackFormatCode(const TrpFormatFields& fields) {
    const std::uint32_t bits =
        (static_cast<std::uint32_t>(static_cast<unsigned char>(fields.separator))
         << kFormatSeparatorShift) |
        ((static_cast<std::uint32_t>(fields.decimals) & kFormatByteMask) << kFormatDecimalsShift) |
        ((static_cast<std::uint32_t>(fields.index) & kFormatByteMask) << kFormatIndexShift) |
        ((static_cast<std::uint32_t>(fields.category) & kFormatCategoryMask)
         << kFormatCategoryShift);
    return static_cast<std::int32_t>(bits);
}

static_assert(PackFormatCode({',', 2, 0, kFormatText}) == ',' + 512);
static_assert(UnpackFormatCode(PackFormatCode({'.', 7, kNumberFixed, kFormatNumber})).decimals ==
              7);

} // namespace report
