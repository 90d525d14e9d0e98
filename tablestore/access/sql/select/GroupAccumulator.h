// TGroupAccumulator: the aggregate values of one answer row (a group, or
// the single row of an aggregate-only SELECT).
//
// Rules (a NULL new value is ignored by every aggregate):
//   COUNT(*)   counts every combined row; COUNT(x) the non-NULL values of x;
//              over no rows it is 0
//   SUM        the sum of the values, NULL over no values; integers add in a
//              float (exact up to 2^53), BCD by its decimal value, floats
//              as floats
//   MIN, MAX   the smallest / largest value, NULL over no values
//   AVG        the float sum divided by the number of values; 0 for no
//              values (the hidden counter of the answer row is that number)
#pragma once

#include "ResultField.h"
#include "SqlValue.h"

#include <cstdint>
#include <vector>

namespace tabula {

class TGroupAccumulator {
public:
    TGroupAccumulator(const std::vector<TResultDataField>& fields, std::uint32_t localeId);

    // value is the evaluated argument of field i (ignored for COUNT(*)).
    void Accumulate(std::size_t field, const TSqlValue& value);
    // The same for an argument that is an integer column (type 5, 6 or 12)
    // read as its number; present false for NULL. Equal to Accumulate of
    // the column's TSqlValue.
    void AccumulateInteger(std::size_t field, std::int64_t value, bool present, std::uint8_t type);
    // The final value of aggregate field i.
    TSqlValue Result(std::size_t field) const;

private:
    struct Slot {
        TSqlValue value;     // running BCD SUM, MIN or MAX; NULL until the first value
        double floatSum = 0; // running float SUM or AVG
        std::int64_t count = 0;
        // MIN or MAX fed by AccumulateInteger: the extreme as a number and
        // the column's type (0 while none), made a value in Result().
        std::int64_t extreme = 0;
        std::uint8_t extremeType = 0;
    };
    const std::vector<TResultDataField>* fields_;
    std::uint32_t localeId_;
    std::vector<Slot> slots_;
};

} // namespace tabula
