// Conversion of an SQL value into the bytes of a table column, as INSERT
// and UPDATE write assigned values.
//
// The result is exactly the column's stored size of value bytes, ready for
// WriteField. A value of the column's own type is taken as it is (a string
// cut to the column's length; a BCD value re-encoded with the column's
// decimals). Otherwise, by value type -> column type:
//
//   string      -> date, time, timestamp: read under the process-wide
//                  format settings; boolean: "TRUE" / "FALSE", any case;
//                  16/32-bit integers, 16-bit unsigned: a decimal 32-bit
//                  integer (16-bit columns keep the low 16 bits); float; BCD
//                  (a currency number, encoded with the column's decimals)
//   date        -> string (short date format), timestamp (at midnight)
//   boolean     -> string "True"/"False"; integers and BCD 1 or 0
//   16-bit int  -> string, boolean (the value itself), 32-bit, float, BCD,
//                  16-bit unsigned (the same 16 bits)
//   32-bit int  -> string, 16-bit and 16-bit unsigned (low 16 bits),
//                  float, BCD
//   float       -> string (general format); integers: truncated toward
//                  zero, then the low bits of the column's width; BCD:
//                  rounded to 4 decimals
//   BCD         -> string (currency text), float, integers (truncated
//                  toward zero, then the low bits)
//   time        -> string, timestamp (that time on 1899-12-30)
//   timestamp   -> string, date (its date), time (its time of day)
//   16-bit uns. -> string, boolean, 16-bit (same bits), 32-bit, float, BCD
//   any of the above -> bytes, variable bytes: the value's bytes, at most
//                  the column's size
//   any other value type (bytes, BLOB, the NULL constant) -> any column:
//                  the value's bytes, at most the column's size
// Every other pair fails, as does unreadable text and a number that cannot
// be represented at all (a float beyond the 64-bit range or not a number,
// a value beyond the BCD encoding).
#pragma once

#include "FieldDescriptor.h"
#include "SqlStatement.h"
#include "SqlValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabula {

// The column's value bytes, or nullopt when the value cannot be converted.
std::optional<std::vector<std::uint8_t>> SqlConvertToColumn(const TSqlValue& value,
                                                            const TFieldDescriptor& column);

// The date and time of day of a timestamp value (day number × 86400000 +
// milliseconds); nullopt for a value outside 0001-01-01 to 9999-12-31 or
// not a number.
std::optional<TDateTimeParts> PartsOfTimestamp(double stamp);

// "Type mismatch between column " + column + " and constant value " +
// valueText + " in UPDATE statement" (" in INSERT statement" for INSERT).
std::string SqlTypeMismatchMessage(const std::string& column, const std::string& valueText,
                                   TSqlStatementKind kind);

} // namespace tabula
