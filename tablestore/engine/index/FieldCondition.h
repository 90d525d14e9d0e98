// TFieldCondition: one comparison of a table field with a constant, in the
// form the record manager can answer from an index (see
// TDataFile::MakeConditionFilter).
//
// The constant is held in the field's record encoding at the field's stored
// size (the bytes WriteField stores after the null indicator), so the engine
// can turn it into key bytes exactly as it turns a record's field into a key.
#pragma once

#include <cstdint>
#include <vector>

namespace tabula {

enum class TFieldConditionOp : std::uint8_t {
    IsNull = 1,
    IsNotNull = 2,
    Eq = 3,
    Ne = 4,
    Gt = 5,
    Lt = 6,
    Ge = 7,
    Le = 8
};

struct TFieldCondition {
    int fieldNumber = 0; // 1-based field of the table
    TFieldConditionOp op = TFieldConditionOp::Eq;
    // The constant in the field's record encoding, at the field's stored size
    // (unused for IsNull / IsNotNull).
    std::vector<std::uint8_t> value;
    bool upper = false;           // the condition is on UPPER(field)
    bool caseInsensitive = false; // compare-options flag
    int partialLength = 0;        // compare only the first n characters of a string (0: all)
};

} // namespace tabula
