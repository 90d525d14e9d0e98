// TRecordRules: the per-field rules a table applies to whole record images,
// the declared defaults of a fresh record and the required / minimum /
// maximum constraints checked before a record is written.
//
// Texts are read with the table locale's formats when the table has one,
// otherwise with the process-wide TFormatSettings. The clock is passed in
// so that "NOW", "DATE" and "TIME" can be tested; callers pass LocalNow().
#pragma once

#include "FieldDescriptor.h"
#include "FieldValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TTableLocale;

struct TRecordRules {
    // Whether any field declares a default value, or a required / minimum /
    // maximum rule. Callers use them to skip reading the clock (which costs
    // about as much as a whole append) for tables without either.
    static bool HasDefaults(const std::vector<TFieldDescriptor>& fields);
    static bool HasConstraints(const std::vector<TFieldDescriptor>& fields);

    // Zeroes the image and writes every field's default value. A default text
    // that cannot be read (only possible in a damaged file, since creation
    // refuses such texts) leaves its field null.
    static void InitRecord(const std::vector<TFieldDescriptor>& fields,
                           std::span<std::uint8_t> image, const TTableLocale* locale,
                           const TDateTimeParts& now);

    // Checks each field in order: required and null → kErrValueRequired;
    // below a declared minimum → kErrBelowMinimum; above a declared maximum
    // → kErrAboveMaximum (bounds inclusive). A null value is compared as its type's zero value. Strings compare with
    // the locale's collation (case-sensitive) when the table has a locale,
    // else as unsigned bytes; dates, times and timestamps chronologically;
    // the integer types, float and BCD numerically; other types are not
    // bounded. The raised error names the field and the data file.
    static void CheckConstraints(const std::vector<TFieldDescriptor>& fields,
                                 std::span<const std::uint8_t> image, const TTableLocale* locale,
                                 const TDateTimeParts& now, const std::string& dataFileName);
};

} // namespace tabula
