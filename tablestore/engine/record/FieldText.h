// TFieldText: the minimum, maximum and default texts of a field descriptor
// turned into values of the field's type.
//
// Texts are read with the format settings of the table (its locale's, or
// the process-wide record for a table without a locale). Accepted texts by
// type:
//   string, bytes             anything (a string's text is its value)
//   date                      "DATE" (the current date) or a date
//   boolean                   "TRUE" or "FALSE", any case
//   16-bit integer            -32768 .. 32767
//   32-bit integer            any 32-bit integer
//   16-bit unsigned integer   0 .. 65535
//   float                     a floating-point number
//   BCD                       a currency number that fits the field's decimals
//   time                      "TIME" (the current time) or a time
//   timestamp                 "NOW", "DATE" (today at midnight), "TIME" (the
//                             current time on 1899-12-30), a date, a date and
//                             time, or a time
//   every other type          anything; such texts never yield a value
// The keywords are recognised in any case, blanks around them ignored.
#pragma once

#include "FieldDescriptor.h"
#include "FieldValue.h"
#include "FormatSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabula {

struct TFieldText {
    // Whether the text may be a default, minimum or maximum of the field at
    // creation (an empty text always may).
    static bool IsAcceptable(const TFieldDescriptor& field, const std::string& text,
                             const TFormatSettings& formats);

    // The text as the field's stored-size value bytes (for a string: the
    // text itself, which WriteField trims and cuts). nullopt when the text is
    // empty, not valid for the type, or the type takes no value from text.
    static std::optional<std::vector<std::uint8_t>> ToValue(const TFieldDescriptor& field,
                                                            const std::string& text,
                                                            const TFormatSettings& formats,
                                                            const TDateTimeParts& now);
};

} // namespace tabula
