// The shell's names of the field types the table store keeps: the words of
// .create and of .schema and the "type" of a JSON column. Every framework
// type with a stored form has exactly one name; names are matched without
// regard to case.
#pragma once

#include "tabula/FieldDef.h"

#include <optional>
#include <string>

namespace tabula::shell {

// The name of a type ("?" for a type without a stored form).
std::string FieldTypeName(TFieldType type);
// The type of a name, or nullopt for an unknown word.
std::optional<TFieldType> FieldTypeOfName(const std::string& name);
// Whether a declared size follows the name: STRING, BYTES, VARBYTES (the
// length) and BCD (the decimals).
bool TypeTakesSize(TFieldType type);

} // namespace tabula::shell
