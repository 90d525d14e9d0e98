// The .create command's table definition, read into a TTableSpec:
//
//   TABLE (FIELD TYPE[(SIZE[,DECIMALS])] [NOT NULL] [DEFAULT 'text'], ...)
//         [PRIMARY KEY (FIELD [DESC], ...) [NOCASE]]
//         [INDEX NAME (FIELD [DESC], ...) [UNIQUE] [NOCASE]]...
//
// Words are matched without regard to case; a name is a word of letters,
// digits and '_' or a "double-quoted" text. TYPE is one of the names of
// FieldTypeNames.h; STRING, BYTES and VARBYTES take their length, BCD its
// precision and decimals. An index keeps one direction for all its fields,
// so DESC must be given on every field of an index or on none. The primary
// index is unique by nature.
//
// A default value has no place in the table definition the engine accepts
// today, so DEFAULT is read and then refused with its own message rather
// than dropped without a word.
#pragma once

#include "tabula/TableCreation.h"

#include <stdexcept>
#include <string>

namespace tabula::shell {

struct TCreateCommand {
    std::string Table;
    TTableSpec Spec;
};

// A definition that does not follow the grammar; the message names what was
// expected and where.
class ECreateSyntax : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

TCreateCommand ParseCreate(const std::string& text);

} // namespace tabula::shell
