// TrpValue: the value the report engine computes with (field values,
// variables, expression and script results). Expressions, scripts and
// properties all share it, and its conversion rules are written here once.
//
// Kinds: Empty (nothing assigned yet; a default-constructed value), Null (a
// known absence, such as a Null field), Integer (64-bit), Real (double),
// Boolean, Text (single-byte) and DateTime (days since 1899-12-30, the time
// of day as the fraction, as the table store keeps it).
//
// Conversion to a number (ToReal / ToInt, and the Try forms that report a
// failure instead of raising):
//   Empty, Null -> 0;  Boolean -> 1 or 0;  DateTime -> its day number;
//   Text -> trimmed of blanks, an optional sign, digits with at most one "."
//   or "," as decimal separator, an optional exponent ("E" and an integer).
//   A text that is not such a number fails (ETrpValueError).
// ToInt truncates towards zero; values beyond the 64-bit range clip.
// Conversion to a boolean: Boolean as is; the texts TRUE and FALSE in any
// case; otherwise the number, true when nonzero.
// Conversion to text (ToText):
//   Empty, Null -> "";  Integer -> decimal;  Boolean -> "True" / "False";
//   Real -> up to 15 significant digits, "." as decimal separator, no
//   trailing zeros, exponent form "1.5E-5" / "1E20" outside 1e-5 .. 1e15;
//   DateTime -> "dd.mm.yyyy hh:nn:ss", without the time when it is
//   midnight, and only the time when the day number is 0.
//
// Arithmetic (Add, Subtract, Multiply, Divide, Modulo, Negate):
//   - Null in either operand gives Null; Empty counts as 0 (or "" beside a
//     text).
//   - "+" of two texts concatenates; a text beside a number is converted.
//     A text longer than kMaxTextLength is refused (a script doubling a
//     text in a loop must fail, not exhaust memory).
//   - Integer with Integer (and Boolean, which counts as 1 or 0) stays
//     Integer for +, -, * unless the result overflows, when it is Real.
//   - "/" is real division; dividing by 0 gives 0. Modulo works on the
//     truncated integers and gives 0 for a divisor of 0.
//   - DateTime + or - a number is a DateTime; DateTime - DateTime is Real.
// Comparison (Compare): Null and Empty are equal to each other and below
// everything else; two texts compare by character codes; a text beside a
// number compares numerically when it converts, otherwise by text; numbers,
// booleans and dates compare by value.
//
// operator== compares kind and value exactly (Integer 1 is not Real 1); the
// expression language compares with Compare.
#pragma once

#include "tabula/Variant.h"

#include <compare>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

namespace report {

// A value that cannot be converted as asked, or an operation its operands
// do not support.
class ETrpValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 24;

enum class TrpValueKind { Empty, Null, Integer, Real, Boolean, Text, DateTime };

struct TrpNullTag {
    bool operator==(const TrpNullTag&) const = default;
};
struct TrpDateTimeValue {
    double days = 0;
    bool operator==(const TrpDateTimeValue&) const = default;
};

class TrpValue {
public:
    TrpValue() = default;
    TrpValue(bool value) : data_(value) {}
    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
        TrpValue(T value)
        : data_(static_cast<std::int64_t>(value)) {}
    TrpValue(double value) : data_(value) {}
    TrpValue(std::string value) : data_(std::move(value)) {}
    TrpValue(const char* value) : data_(std::string(value ? value : "")) {}
    TrpValue(TrpDateTimeValue value) : data_(value) {}

    static TrpValue Null() { return TrpValue(TrpNullTag{}); }
    static TrpValue DateTime(double days) { return TrpValue(TrpDateTimeValue{days}); }
    // A table field's value: Null stays Null, currency becomes Real.
    static TrpValue FromVariant(const tabula::TVariant& value);

    TrpValueKind Kind() const { return static_cast<TrpValueKind>(data_.index()); }
    bool IsEmpty() const { return Kind() == TrpValueKind::Empty; }
    bool IsNull() const { return Kind() == TrpValueKind::Null; }
    bool IsText() const { return Kind() == TrpValueKind::Text; }
    bool IsInteger() const { return Kind() == TrpValueKind::Integer; }
    bool IsReal() const { return Kind() == TrpValueKind::Real; }
    bool IsBoolean() const { return Kind() == TrpValueKind::Boolean; }
    bool IsDateTime() const { return Kind() == TrpValueKind::DateTime; }
    // Integer, Real, Boolean or DateTime.
    bool IsNumeric() const;

    // The stored value of that kind; the caller has checked Kind().
    std::int64_t AsInteger() const { return std::get<std::int64_t>(data_); }
    double AsReal() const { return std::get<double>(data_); }
    bool AsBoolean() const { return std::get<bool>(data_); }
    const std::string& AsText() const { return std::get<std::string>(data_); }
    double AsDateTime() const { return std::get<TrpDateTimeValue>(data_).days; }

    // Conversions by the rules above; the plain forms raise ETrpValueError.
    std::optional<double> TryToReal() const;
    double ToReal() const;
    std::int64_t ToInt() const;
    bool ToBool() const;
    std::string ToText() const;
    // The day number of a date-time; a text is read with TextToDateTime,
    // any other value as a number.
    double ToDateTime() const;

    bool operator==(const TrpValue&) const = default;

private:
    explicit TrpValue(TrpNullTag tag) : data_(tag) {}

    // The alternatives are in TrpValueKind order.
    std::variant<std::monostate, TrpNullTag, std::int64_t, double, bool, std::string,
                 TrpDateTimeValue>
        data_;
};

// Text of a number by the rules above, and the reading of a number text
// (nullopt when the text is no number).
std::string RealToText(double value);
std::optional<double> TextToNumber(const std::string& text);
// The civil date of a day number (its whole days).
struct TrpCivilDate {
    int year = 1899, month = 12, day = 30;
};
TrpCivilDate CivilDateOf(double days);
// Text of a date-time by the rules above.
std::string DateTimeToText(double days);
// Reads "dd.mm.yyyy" (or "/" or "-" between the parts), an optional time
// "hh:nn[:ss]" after a blank, or only the time; nullopt when it is neither.
std::optional<double> TextToDateTime(const std::string& text);

// Whether value holds nothing: Null or Empty.
inline bool IsNull(const TrpValue& value) {
    return value.IsNull() || value.IsEmpty();
}

TrpValue Add(const TrpValue& a, const TrpValue& b);
TrpValue Subtract(const TrpValue& a, const TrpValue& b);
TrpValue Multiply(const TrpValue& a, const TrpValue& b);
TrpValue Divide(const TrpValue& a, const TrpValue& b);
TrpValue Modulo(const TrpValue& a, const TrpValue& b);
TrpValue Negate(const TrpValue& a);
// Negative, zero or positive as a is below, equal to or above b.
int Compare(const TrpValue& a, const TrpValue& b);

// For test diagnostics: the kind and the text.
std::ostream& operator<<(std::ostream& out, const TrpValue& value);

} // namespace report
