// TVariant: a field value as the dataset framework hands it to callers
// (locate and lookup keys, lookup results, the report engine's field values).
//
// Kinds: Null (std::monostate), boolean, 64-bit integer, double, currency
// (a count of ten-thousandths), date-time and text. A date-time is the
// platform's value: days since 1899-12-30, the time of day as the fraction.
// Byte fields carry their bytes as text.
#pragma once

#include "FieldValue.h"

#include <cstdint>
#include <string>
#include <variant>

namespace tabula {

struct TCurrencyValue {
    TCurrency scaled = 0; // value × 10000
    bool operator==(const TCurrencyValue&) const = default;
};

struct TDateTime {
    double value = 0; // days since 1899-12-30
    bool operator==(const TDateTime&) const = default;
};

using TVariant = std::variant<std::monostate, bool, std::int64_t, double, TCurrencyValue, TDateTime,
                              std::string>;

inline bool VarIsNull(const TVariant& v) {
    return std::holds_alternative<std::monostate>(v);
}

// Date-time conversions between the platform's value and the engine's
// day numbers (0001-01-01 = day 1) and milliseconds.
TDateTime DateTimeFromParts(const TDateTimeParts& parts);
TDateTimeParts PartsFromDateTime(TDateTime value);

// Whether a field's value matches a search key: Null matches only Null;
// numbers compare by value; text compares byte for byte, or ignoring ASCII
// case, and with partial only the key's length of the value counts.
bool VariantMatches(const TVariant& value, const TVariant& key, bool caseInsensitive, bool partial);

} // namespace tabula
