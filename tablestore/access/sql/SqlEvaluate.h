// Evaluation of type-checked SQL expression trees, one row or record at a
// time. The same evaluator answers SQL conditions, result columns and
// assigned values, and the record-by-record part of dataset filters.
//
// Rules:
// - a constant yields its value (a parameter marker yields the value bound
//   into its node); a column reference asks the context's callback;
// - a binary node evaluates its right operand first; AND evaluates the left
//   operand only when the right one is true, OR only when it is false;
// - = and <> treat NULL as a value (NULL = NULL is true); the ordering
//   comparisons compare the stored zero value of a NULL;
// - arithmetic takes a NULL operand as its zero value; division by zero
//   yields NULL;
// - strings compare with the locale's collation (case-sensitive) when the
//   context names a locale, else byte-wise; UPPER and LOWER use the locale's
//   case mapping, else ASCII.
// Evaluation raises nothing for any value; a tree that was not type-checked
// is the caller's fault.
#pragma once

#include "SqlNode.h"
#include "SqlValue.h"

#include <cstdint>
#include <functional>

namespace tabula {

struct TSqlEvalContext {
    // The current value of a resolved column node (its tableIndex and
    // fieldNumber are set). A null field yields its type's zero value with
    // the null flag set.
    std::function<TSqlValue(const TSqlNode& column)> columnValue;
    // Windows locale identifier of the comparison and case-mapping locale
    // (language in the low 16 bits, sort in bits 16..19); 0 means none:
    // byte-wise comparison and ASCII case mapping.
    std::uint32_t localeId = 0;
};

TSqlValue SqlEvaluate(const TSqlNode& tree, const TSqlEvalContext& context);

// Whether a condition's value counts as true: a boolean that is not null
// and not zero.
bool SqlIsTrue(const TSqlValue& value);

} // namespace tabula
