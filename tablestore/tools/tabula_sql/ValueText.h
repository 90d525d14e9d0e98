// The text of one field value as the shell prints it, shared by every
// output mode so that box, CSV and JSON agree on what a value says:
//   numbers     as numbers (integers in full, floats in their shortest
//               round-trip form, money and BCD as exact decimals);
//   booleans    "true" / "false";
//   dates       ISO 8601: DATE "YYYY-MM-DD", TIME "HH:MM:SS[.mmm]",
//               TIMESTAMP "YYYY-MM-DDTHH:MM:SS[.mmm]";
//   text        the stored Windows-1252 bytes, or decoded to UTF-8;
//   binary      lower-case hex of the bytes.
// A NULL value has no text (nullopt); each mode decides how to show it.
#pragma once

#include "tabula/Field.h"

#include <optional>
#include <string>

namespace tabula::shell {

enum class TValueKind { Null, Number, Boolean, Text };

struct TValueText {
    TValueKind kind = TValueKind::Null;
    std::string text; // UTF-8 when decoded, else the stored bytes
};

// The value of the field at the dataset's current record.
TValueText FieldValueText(const TField& field, bool decodeText);

// Windows-1252 bytes as UTF-8 (bytes the code page leaves undefined become
// U+FFFD).
std::string DecodeWindows1252(const std::string& bytes);

// Number of code points of UTF-8 text (the width of a box column).
std::size_t DisplayWidth(const std::string& utf8);

} // namespace tabula::shell
