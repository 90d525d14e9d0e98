// ISqlSourceTable: what the SQL resolver and type checking need to know of
// an opened source table: its fields, by 1-based number.
//
// The table components implement it over an open table; tests use a fake.
// A field's size is its stored size in bytes (a string of declared size n
// has size n + 1, its terminating zero included), its type a field type code
// of DataFileFormat.h.
#pragma once

#include <cstdint>
#include <string>

namespace tabula {

struct TSqlSourceField {
    std::string name;
    std::uint8_t type = 0;
    std::uint8_t subtype = 0;
    int size = 0;
    int decimals = 0;
};

class ISqlSourceTable {
public:
    virtual ~ISqlSourceTable() = default;
    virtual int FieldCount() const = 0;
    // number from 1 to FieldCount()
    virtual const TSqlSourceField& Field(int number) const = 0;
};

struct TSqlNode;

// Looks up a column reference of an expression (its correlation name and
// name) among the statement's tables; on success fills the node's table
// index, field number and type and answers true.
class ISqlColumnResolver {
public:
    virtual ~ISqlColumnResolver() = default;
    virtual bool ResolveColumn(TSqlNode& column) const = 0;
};

} // namespace tabula
