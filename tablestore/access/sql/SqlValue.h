// TSqlValue: the value an SQL expression node yields, and TSqlType, the type
// slot every node of an expression tree carries.
//
// A value is a type code (the engine's field type codes, with 0 for the
// untyped NULL constant), a subtype, a null flag and the value bytes in the
// record encoding of that type (little-endian):
//
//   0  NULL constant   no bytes
//   1  string          characters + terminating zero (size = length + 1)
//   2  date            int32 day number, 0001-01-01 = 1
//   4  boolean         int16; 0 false, anything else true; operators make -1
//   5  16-bit integer  int16
//   6  32-bit integer  int32
//   7  float           IEEE double; subtype datafmt::kMoneySubtype marks money
//   8  BCD             the engine's int64 decimal digit string (FieldValue.h)
//                      with TSqlValue::Decimals() places
//   10 time            int32 milliseconds since midnight
//   11 timestamp       IEEE double: day number x 86400000 + milliseconds
//   12 16-bit unsigned uint16
//
// Invariant: Bytes().size() == Size() and matches the type's width (strings:
// length + 1, the last byte zero). A null value keeps the zero bytes of its
// type (the empty string, 0, day 0), so ordering comparisons that ignore the
// null flag see the zero value.
#pragma once

#include "DataFileFormat.h"
#include "FieldValue.h"
#include "SqlValueBytes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabula {

inline constexpr std::uint8_t kSqlNullType = 0;

// The type slot of an expression node: code, subtype, size in bytes and
// decimals (BCD only). A code of 0 with size 0 is the NULL constant's type.
struct TSqlType {
    std::uint8_t code = kSqlNullType;
    std::uint8_t subtype = 0;
    int size = 0;
    int decimals = 0;

    bool operator==(const TSqlType&) const = default;
};

// Width in bytes of a value of a fixed-size scalar type (the stored size of
// TFieldDescriptor::StoredSizeOf); 0 for strings and for codes that are not
// SQL scalars.
int SqlFixedSize(std::uint8_t code);
bool SqlIsInteger(std::uint8_t code);  // 5, 6, 12
bool SqlIsNumeric(std::uint8_t code);  // 5, 6, 7, 8, 12
bool SqlIsTemporal(std::uint8_t code); // 2, 10, 11
// The typed value codes of the table above (1, 2, 4 to 8, 10 to 12): the
// types values are converted between and filter constants can carry.
bool SqlIsScalar(std::uint8_t code);
// Whether a value of the type is exactly the bytes of its stored field slot,
// so that a slot copied as it is holds the value: strings (the slot up to
// its first zero byte), 16/32-bit and unsigned 16-bit integers, dates,
// times, floats and timestamps. Booleans (stored as any non-zero), money
// and BCD are not.
bool SqlValueIsStoredBytes(std::uint8_t code);

class TSqlValue {
public:
    TSqlValue() = default; // the NULL constant

    static TSqlValue Null() { return TSqlValue(); }
    // A null value of a given type: its zero bytes with the null flag set.
    static TSqlValue NullOf(const TSqlType& type);
    static TSqlValue String(std::string_view text);
    static TSqlValue Boolean(bool value);
    static TSqlValue Int16(std::int16_t value);
    static TSqlValue Int32(std::int32_t value);
    static TSqlValue UInt16(std::uint16_t value);
    static TSqlValue Float(double value, bool money = false);
    // A value whose digit string would not fit the encoding keeps the
    // encoding of 0 with the null flag set.
    static TSqlValue Bcd(TCurrency value, int decimals);
    static TSqlValue Date(std::int32_t dayNumber);
    static TSqlValue Time(std::int32_t msOfDay);
    static TSqlValue Timestamp(double value);
    // A value of any type from its bytes as they are, for values handed over
    // in the record encoding (bound parameters, types without a constructor
    // above such as bytes and BLOB references). No check of the width.
    static TSqlValue FromBytes(std::uint8_t type, std::uint8_t subtype, int decimals,
                               std::vector<std::uint8_t> bytes, bool null);

    std::uint8_t Type() const { return type_; }
    std::uint8_t Subtype() const { return subtype_; }
    int Decimals() const { return decimals_; }
    int Size() const { return static_cast<int>(bytes_.size()); }
    bool IsNull() const { return null_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_.Span(); }
    TSqlType TypeSlot() const { return TSqlType{type_, subtype_, Size(), decimals_}; }

    // Readers of the stored bytes; each expects the matching type family.
    std::string AsString() const;        // 1
    bool AsBoolean() const;              // 4
    std::int64_t AsInteger() const;      // 4, 5, 6, 12; 2 and 10 give their raw numbers
    double AsFloat() const;              // 7, 11; integers and BCD by their value
    TCurrency AsCurrency() const;        // 8; integers scaled; floats rounded
    std::int32_t AsDayNumber() const;    // 2
    std::int32_t AsMilliseconds() const; // 10
    double AsTimestamp() const;          // 11; a date at midnight

private:
    // A non-null value of a fixed-width type with zero bytes, for the
    // constructors to fill.
    static TSqlValue OfWidth(std::uint8_t type, std::size_t width);

    std::uint8_t type_ = kSqlNullType;
    std::uint8_t subtype_ = 0;
    int decimals_ = 0;
    bool null_ = true; // the default value is the NULL constant
    TSqlValueBytes bytes_;
};

} // namespace tabula
