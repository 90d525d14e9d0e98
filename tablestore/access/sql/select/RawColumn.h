// TRawColumn: a column of a single-table statement read straight from the
// table's record buffer, for the per-row work of GROUP BY keys and
// aggregate arguments.
//
// It reads what TSourceDataFile::ColumnValue would yield, without building
// a TSqlValue: an integer's number, or the exact-key bytes of a value. It is
// made only where that holds exactly:
//   - the statement has one source table, so no outer join ever stands the
//     table on its empty row (where the join yields NULL whatever the
//     buffer holds);
//   - the column's type is one whose value bytes are the stored slot bytes:
//     16/32-bit and unsigned 16-bit integers, dates and times (slot width
//     equal to the type's width), and strings (the slot up to its first zero
//     byte). Booleans, floats (-0), BCD (decoded) and the rest are not.
#pragma once

#include "SourceDataFile.h"
#include "SqlNode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabula {

class TRawColumn {
public:
    // The reader of column (tableIndex, fieldNumber), when the rules above
    // allow one.
    static std::optional<TRawColumn> For(int tableIndex, int fieldNumber,
                                         const std::vector<TSourceDataFile*>& sources);
    static std::optional<TRawColumn> For(const TSqlNode& node,
                                         const std::vector<TSourceDataFile*>& sources);

    std::uint8_t Type() const { return type_; }
    bool IsInteger() const;
    // An integer column's value; false (and value untouched) when NULL.
    bool ReadInteger(std::int64_t& value) const;
    // Appends the value's part of an exact key: type, null flag, value
    // bytes, end mark - the bytes the key of ColumnValue's value has.
    void AppendKey(std::string& key) const;

private:
    TRawColumn(TSourceDataFile& source, int fieldNumber, std::uint8_t type)
        : source_(&source), fieldNumber_(fieldNumber), type_(type) {}

    TSourceDataFile* source_;
    int fieldNumber_;
    std::uint8_t type_;
};

} // namespace tabula
